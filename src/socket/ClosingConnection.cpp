// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ClosingConnection.h"

#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <linux/sockios.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How often a closing connection looks at what the peer has taken.
constexpr int checkInterval = 100;

// The most read and dropped in one go, so that a peer talking at full speed
// does not hold the event loop.
constexpr int drainRounds = 16;

} // namespace

ClosingConnection::ClosingConnection(QTcpSocket *socket, int stallTimeout, QObject *parent)
    : QObject(parent)
    , stallTimeout(stallTimeout)
{
    stayAlive.emplace();
    socket->setParent(this);
    descriptor = ::fcntl(static_cast<int>(socket->socketDescriptor()), F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0) {
        // Out of descriptors: the library's own close is the best left.
        connection = socket;
        connect(socket, &QAbstractSocket::disconnected, this, [this] { end(false); });
        socket->disconnectFromHost();
        return;
    }
    incoming = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(incoming, &QSocketNotifier::activated, this, &ClosingConnection::drainIncoming);
    auto *checker = new QTimer(this);
    connect(checker, &QTimer::timeout, this, &ClosingConnection::check);
    checker->start(checkInterval);
    sinceProgress.start();
    handOver(socket);
    lastOwed = owed();
}

ClosingConnection::~ClosingConnection()
{
    // The program is ending with the connection still open.
    if (descriptor >= 0)
        release(owed() > 0);
}

void ClosingConnection::handOver(QTcpSocket *socket)
{
    if (socket->bytesToWrite() == 0) {
        // The library closes only its own descriptor; ours keeps the connection.
        socket->abort();
        socket->deleteLater();
        shutWriteSide();
        return;
    }
    // The library writes what it holds, with its reading turned off; what
    // the peer sends meanwhile is ours to read.
    connection = socket;
    auto failed = std::make_shared<bool>(false);
    connect(socket, &QAbstractSocket::errorOccurred, this, [failed] { *failed = true; });
    connect(socket, &QAbstractSocket::stateChanged, this, [this, failed](QAbstractSocket::SocketState state) {
        if (state != QAbstractSocket::UnconnectedState)
            return;
        if (*failed) {
            // The peer reset or the link failed: nothing more reaches the peer.
            end(true);
            return;
        }
        connection->disconnect(this);
        connection->deleteLater();
        connection = nullptr;
        shutWriteSide();
    });
    socket->disconnectFromHost();
}

void ClosingConnection::shutWriteSide()
{
    // Our end follows our last byte; the connection stays open for the
    // peer's own end.
    ::shutdown(descriptor, SHUT_WR);
    writeShut = true;
    check();
}

void ClosingConnection::drainIncoming()
{
    char dropped[64 * 1024];
    for (int round = 0; round < drainRounds; ++round) {
        const ssize_t got = ::recv(descriptor, dropped, sizeof dropped, MSG_DONTWAIT);
        if (got > 0)
            continue;
        if (got == 0) {
            peerEnded = true;
            incoming->setEnabled(false);
            check();
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            // A reset from the peer: it knows that it did not get everything.
            end(false);
        }
        return;
    }
}

void ClosingConnection::check()
{
    if (descriptor < 0)
        return;
    const qint64 nowOwed = owed();
    if (nowOwed < lastOwed)
        sinceProgress.restart();
    lastOwed = nowOwed;
    if (writeShut && nowOwed == 0) {
        // The peer has every byte and our end: the program need not wait.
        stayAlive.reset();
        if (peerEnded) {
            end(false);
            return;
        }
    }
    if (sinceProgress.hasExpired(stallTimeout))
        giveUp();
}

qint64 ClosingConnection::owed() const
{
    qint64 bytes = connection ? connection->bytesToWrite() : 0;
    // Bytes handed to the system that the peer has not acknowledged yet,
    // our end included once it is sent.
    int unacknowledged = 0;
    if (descriptor >= 0 && ::ioctl(descriptor, SIOCOUTQ, &unacknowledged) == 0)
        bytes += unacknowledged;
    return bytes;
}

void ClosingConnection::giveUp()
{
    end(owed() > 0);
}

void ClosingConnection::end(bool reset)
{
    release(reset);
    // No longer counted among the connections closing.
    setParent(nullptr);
    deleteLater();
}

void ClosingConnection::release(bool reset)
{
    if (connection) {
        connection->disconnect(this);
        connection->abort();
        connection->deleteLater();
        connection = nullptr;
    }
    if (descriptor >= 0) {
        if (reset) {
            // Closed with no time to linger, the connection ends in a reset.
            const linger abortive{1, 0};
            ::setsockopt(descriptor, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        }
        if (incoming)
            incoming->setEnabled(false);
        ::close(descriptor);
        descriptor = -1;
    }
    stayAlive.reset();
}
