// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "DataFormat.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What EncodeTransmitData made of a transmit box's text.
struct EncodedTransmitData
{
    // The text to write back into the transmit box: for Decimal and Hex the
    // text with outer spaces removed (and upper-cased for Hex); for String
    // the text unchanged.
    QString normalisedText;
    // The bytes to send; empty optional when the send is abandoned.
    std::optional<QByteArray> bytes;
    // Why it was abandoned: a parse-error message for the status line, or
    // empty when the send ends silently (a number that cannot be read).
    QString error;
};

// Encodes the text of a transmit box, every character as it stands in the
// box (a line break is '\n'), in the given Tx format. A line break goes on
// the wire as CR LF.
EncodedTransmitData EncodeTransmitData(const QString &text, DataFormat format);

bool IsNumericOnly(QStringView text);

// Both give the parse-error message for a rejected token, nothing when the
// token is accepted.
std::optional<QString> ValidateDecimalByte(QStringView token);
std::optional<QString> ValidateHexByte(QStringView token);
