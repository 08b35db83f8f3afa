// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Raw peers on loopback, and ports the system hands out. Each helper gives
// back what it made, or null when it could not, for the test to assert on:
// a failed check inside a helper would only leave the helper, and the test
// would go on with a peer that is not there.

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

// A port that was free a moment ago: the system chose it for a listener that
// has closed again.
inline quint16 freeTcpPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::Any, 0))
        qFatal("no free port");
    return server.serverPort();
}

// A UDP port that was free a moment ago: nothing receives there any more.
inline quint16 freeUdpPort()
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::LocalHost, 0))
        qFatal("no free port");
    return socket.localPort();
}

// A raw TCP server on a port of 127.0.0.1 the system chose, or null.
inline std::unique_ptr<QTcpServer> loopbackServer()
{
    auto server = std::make_unique<QTcpServer>();
    if (!server->listen(QHostAddress::LocalHost, 0))
        return nullptr;
    return server;
}

// A raw UDP socket bound to a port of 127.0.0.1 the system chose, or null.
inline std::unique_ptr<QUdpSocket> loopbackUdpPeer()
{
    auto peer = std::make_unique<QUdpSocket>();
    if (!peer->bind(QHostAddress::LocalHost, 0))
        return nullptr;
    return peer;
}

// A raw TCP client connected to 127.0.0.1:port, or null when refused.
inline std::unique_ptr<QTcpSocket> connectedClient(quint16 port, const QHostAddress &host = QHostAddress::LocalHost)
{
    auto client = std::make_unique<QTcpSocket>();
    client->connectToHost(host, port);
    if (!client->waitForConnected(5000))
        return nullptr;
    return client;
}

// Reads from a raw peer until it holds count bytes, or five seconds pass.
inline QByteArray readExactly(QIODevice &peer, qsizetype count)
{
    QByteArray received;
    QElapsedTimer timer;
    timer.start();
    while (received.size() < count && timer.elapsed() < 5000) {
        if (peer.bytesAvailable() == 0)
            QTest::qWait(10);
        received += peer.readAll();
    }
    return received;
}

// How the status line names a raw peer on 127.0.0.1.
inline QString loopback(int port)
{
    return QStringLiteral("127.0.0.1:") + QString::number(port);
}

inline QString peerName(const QAbstractSocket &socket)
{
    return loopback(socket.localPort());
}
inline QString peerName(const QTcpServer &server)
{
    return loopback(server.serverPort());
}

// The next connection a raw server receives, or null after five seconds. It
// no longer belongs to the server, so either may go first.
inline std::unique_ptr<QTcpSocket> acceptedPeer(QTcpServer &server)
{
    if (!server.hasPendingConnections()) {
        QSignalSpy arrived(&server, &QTcpServer::newConnection);
        if (!arrived.wait(5000) && !server.hasPendingConnections())
            return nullptr;
    }
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    if (peer)
        peer->setParent(nullptr);
    return peer;
}

// The next datagram a raw peer receives, or an invalid one after five seconds.
inline QNetworkDatagram nextDatagram(QUdpSocket &peer)
{
    if (!peer.hasPendingDatagrams()) {
        QSignalSpy ready(&peer, &QIODevice::readyRead);
        if (!ready.wait(5000) && !peer.hasPendingDatagrams())
            return {};
    }
    return peer.receiveDatagram();
}

// A peer on its own descriptor of a connection a raw socket made, which tells
// an orderly end from a reset: the network library reports both as the
// remote host closing. Take it over before anything is sent to it.
class RawPeer
{
public:
    enum class End { None, Orderly, Reset };

    explicit RawPeer(std::unique_ptr<QTcpSocket> socket)
    {
        if (socket && socket->state() == QAbstractSocket::ConnectedState)
            descriptor = ::fcntl(int(socket->socketDescriptor()), F_DUPFD_CLOEXEC, 0);
        // The socket closes its own descriptor only: ours keeps the connection.
    }
    ~RawPeer()
    {
        if (descriptor >= 0)
            ::close(descriptor);
    }
    RawPeer(const RawPeer &) = delete;
    RawPeer &operator=(const RawPeer &) = delete;

    bool isOpen() const { return descriptor >= 0; }

    // Reads what has come; at the other side's end, closes in turn.
    void read()
    {
        char buffer[64 * 1024];
        while (descriptor >= 0) {
            const ssize_t got = ::recv(descriptor, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0) {
                received.append(buffer, got);
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            if (got < 0 && errno == EINTR)
                continue;
            end = got == 0 ? End::Orderly : End::Reset;
            ::close(std::exchange(descriptor, -1));
        }
    }

    // A small write, as a peer that keeps talking makes, sent at once; one
    // that finds the other side's buffer full is simply not made.
    void talk()
    {
        if (descriptor < 0)
            return;
        const int noDelay = 1;
        ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        ::send(descriptor, "talk", 4, MSG_DONTWAIT | MSG_NOSIGNAL);
    }

    // Ends the connection with a reset.
    void reset()
    {
        const linger abortive{1, 0};
        ::setsockopt(descriptor, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        ::close(std::exchange(descriptor, -1));
    }

    QByteArray received;
    End end = End::None;

private:
    int descriptor = -1;
};
