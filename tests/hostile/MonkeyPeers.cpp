// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MonkeyPeers.h"

#include "MonkeyInput.h"

#include <QNetworkDatagram>

#include <sys/socket.h>

namespace {

// Beyond this many, the oldest peer is let go: a real user meets a few
// peers, not hundreds, and each one holds sockets and buffers.
constexpr size_t mostPeers = 6;

} // namespace

MonkeyPeers::MonkeyPeers()
{
    if (!server.listen(QHostAddress::LocalHost, 0))
        qFatal("the monkey's TCP server cannot listen: %s", qPrintable(server.errorString()));
    if (!udp.bind(QHostAddress::LocalHost, 0))
        qFatal("the monkey's UDP socket cannot bind: %s", qPrintable(udp.errorString()));
}

void MonkeyPeers::tidy()
{
    while (server.hasPendingConnections()) {
        std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
        peer->setParent(nullptr);
        serverPeers.push_back(std::move(peer));
    }
    for (Peers *peers : {&clients, &serverPeers}) {
        for (const auto &peer : *peers)
            if (peer->bytesAvailable() > 0)
                peer->readAll();
        std::erase_if(*peers, [](const auto &peer) { return peer->state() == QAbstractSocket::UnconnectedState; });
        while (peers->size() > mostPeers)
            peers->erase(peers->begin());
    }
    while (udp.hasPendingDatagrams())
        udp.receiveDatagram();
}

void MonkeyPeers::connectClient(const QHostAddress &host, quint16 port)
{
    auto client = std::make_unique<QTcpSocket>();
    client->connectToHost(host, port);
    clients.push_back(std::move(client));
    ++connectionsMade;
}

QTcpSocket *MonkeyPeers::liveOne(Peers &peers, MonkeyInput &input)
{
    std::vector<QTcpSocket *> live;
    for (const auto &peer : peers)
        if (peer->state() == QAbstractSocket::ConnectedState)
            live.push_back(peer.get());
    return live.empty() ? nullptr : live.at(size_t(input.below(int(live.size()))));
}

bool MonkeyPeers::send(Peers &peers, MonkeyInput &input)
{
    QTcpSocket *peer = liveOne(peers, input);
    if (!peer)
        return false;
    const QByteArray bytes = input.anyBytes();
    peer->write(bytes);
    bytesSent += bytes.size();
    // Sometimes the peer says its piece and leaves in the same breath.
    if (input.chance(10))
        peer->disconnectFromHost();
    return true;
}

bool MonkeyPeers::drop(Peers &peers, MonkeyInput &input)
{
    QTcpSocket *peer = liveOne(peers, input);
    if (!peer)
        return false;
    switch (input.below(3)) {
    case 0:
        peer->disconnectFromHost();
        break;
    case 1:
        peer->abort();
        break;
    default: {
        // A linger time of zero turns the close into a reset.
        const linger now{1, 0};
        ::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
        peer->abort();
        break;
    }
    }
    return true;
}

void MonkeyPeers::sendDatagram(const QByteArray &data, quint16 port)
{
    if (udp.writeDatagram(data, QHostAddress::LocalHost, port) >= 0) {
        ++datagramsSent;
        bytesSent += data.size();
    }
}
