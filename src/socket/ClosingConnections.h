// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

class QTcpSocket;

// TCP connections that a panel has let go of but that still owe their peer
// bytes. A panel is closed the moment the user says so; the bytes it already
// reported as sent must still arrive, so the old connection hands them over
// in the background and then closes in order (FIN, never a reset).
//
// While any connection is closing the application does not quit on its
// own: a program whose window has gone stays until its last bytes are out,
// no longer than finishWithin() allows.
class ClosingConnections : public QObject
{
    Q_OBJECT

public:
    // Takes the connection over; its old owner has cut its own signal
    // connections first. A connection with nothing left to send closes at once.
    static void adopt(QTcpSocket *connection);

    // Gives up, with a reset, msecs from now on every connection closing now
    // that is still closing then. Used when the window goes, so that the
    // process ends soon after.
    static void finishWithin(int msecs);

    // A peer that reads nothing for this long is given up on.
    static constexpr int stallTimeout = 10000;

private:
    explicit ClosingConnections(QObject *parent);
    static ClosingConnections *instance();
    void watch(QTcpSocket *connection);
    void finish(QTcpSocket *connection);
};
