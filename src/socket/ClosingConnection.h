// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QEventLoopLocker>
#include <QObject>
#include <QPointer>

#include <optional>

class QSocketNotifier;
class QTcpSocket;

// One TCP connection on its way out, closed so that the peer gets every byte
// it was promised, then an orderly end, or else learns that it did not.
//
// The network library stops reading a socket it closes, so a peer that keeps
// talking would fill our receive buffer, and the system resets a connection
// that is closed with input unread, throwing away what it still had to send.
// So the connection holds the descriptor itself: it reads and drops whatever
// the peer sends while the library hands over its buffer, then shuts the
// write side (our end follows our last byte) and waits for the peer's end.
//
// A close that makes no progress for stallTimeout milliseconds, or that is
// told to give up, resets the connection if the peer has not taken every byte,
// so that the peer sees an error rather than a clean end after lost bytes.
class ClosingConnection : public QObject
{
    Q_OBJECT

public:
    // Takes the connection over; a connected one only.
    ClosingConnection(QTcpSocket *connection, int stallTimeout, QObject *parent);
    ~ClosingConnection() override;

    // Ends it now: a reset if bytes are still owed, an ordinary close if not.
    void giveUp();

private:
    void handOver(QTcpSocket *connection);
    void shutWriteSide();
    void drainIncoming();
    void check();
    qint64 owed() const;
    // Closes the connection and lets the object go.
    void end(bool reset);
    void release(bool reset);

    // The library's socket while it still writes its buffer.
    QPointer<QTcpSocket> connection;
    // Our own hold on the connection: it stays open when the library lets go.
    int descriptor = -1;
    QSocketNotifier *incoming = nullptr;
    int stallTimeout = 0;
    QElapsedTimer sinceProgress;
    qint64 lastOwed = 0;
    bool writeShut = false;
    bool peerEnded = false;
    // Held while bytes are owed: the program does not quit under them.
    std::optional<QEventLoopLocker> stayAlive;
};
