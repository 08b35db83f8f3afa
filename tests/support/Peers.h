// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Raw peers on loopback, and ports the system hands out. Each helper gives
// back what it made, or null when it could not, for the test to assert on:
// a failed check inside a helper would only leave the helper, and the test
// would go on with a peer that is not there.

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <memory>

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

inline QString peerName(const QAbstractSocket &socket) { return loopback(socket.localPort()); }
inline QString peerName(const QTcpServer &server) { return loopback(server.serverPort()); }

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
