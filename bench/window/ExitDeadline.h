// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

// Exit while a peer that never reads is still owed megabytes, measured in a
// fresh process: this program run again with
//   --close-child PORT BYTES ACTION
// builds the main window as main() does, connects its outgoing panel to
// 127.0.0.1:PORT, sends BYTES through it and then closes the way ACTION says:
// "exit" (File > Exit) or "disconnect" (Disconnect, then Exit once its
// standard input ends). It prints "closing NS" on CLOCK_MONOTONIC as it asks.
bool IsCloseChild(int argc, char **argv);
int RunCloseChild(int argc, char **argv);

struct ExitFigures
{
    bool ran = false;
    qint64 sent = 0;
    // From File > Exit to the end of the process, teardown included.
    double msToProcessEnd = 0;
    // What the peer read afterwards, and how its connection ended.
    qint64 delivered = 0;
    bool peerSawReset = false;
};
ExitFigures MeasureExit(qint64 bytes);
