// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

// A long text pasted into the outgoing panel's transmit box, keys typed into
// it afterwards, and the Send that takes it all to a raw peer.
struct TransmitBoxFigures
{
    bool ran = false;
    qsizetype characters = 0;
    double msPastedAndPainted = 0;
    double longestStallMs = 0;
    double msSlowestKeyAtEnd = 0;
    double msSlowestKeyAtStart = 0;
    double msSendHandedOver = 0;
    bool sentExactly = false;
};

// The text is the Hex rendering of the given bytes: one long line, lines of
// 16 bytes, or the digits alone, one line with nowhere to break it (sent as
// String).
enum class TransmitText { HexLine, HexLines, Unbroken };
TransmitBoxFigures RunTransmitBox(qint64 bytes, TransmitText kind, int keys);

// Only the paste, of a text that may be far too large to send: how long it
// holds the window.
TransmitBoxFigures RunTransmitPaste(qsizetype characters);
