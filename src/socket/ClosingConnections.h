// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

class QTcpSocket;

// TCP connections that a panel has let go of. A panel is closed the moment
// the user says so; the bytes it already reported as sent must still arrive,
// so the old connection hands them over in the background and then closes
// in order (see ClosingConnection).
//
// While any connection still owes bytes the application does not quit on
// its own: a program whose window has gone stays until its last bytes are
// out, no longer than finishWithin() allows.
class ClosingConnections : public QObject
{
    Q_OBJECT

public:
    // Takes the connection over; its old owner has cut its own signal
    // connections first. An attempt still under way simply stops.
    static void adopt(QTcpSocket *connection);

    // Gives up msecs from now on every connection closing now that is still
    // closing then, with a reset where bytes are still owed. Used when the
    // window goes, so that the process ends soon after.
    static void finishWithin(int msecs);

    // How many connections are closing still.
    static int pending();

    // A close during which the peer takes nothing for this long is given up.
    static constexpr int defaultStallTimeout = 10000;
    // For connections adopted from now on; tests shorten it.
    static void setStallTimeout(int msecs);

private:
    explicit ClosingConnections(QObject *parent);
    static ClosingConnections *instance();
};
