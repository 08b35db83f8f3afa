// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <memory>
#include <vector>

class MonkeyInput;

// The random peers the monkey's window meets, all on loopback: TCP clients
// of the listening panel, a TCP server the outgoing panel may connect to,
// and one UDP socket that sends to either panel and takes what they send.
class MonkeyPeers
{
public:
    MonkeyPeers();

    quint16 serverPort() const { return server.serverPort(); }
    quint16 udpPort() const { return udp.localPort(); }

    // Accepts what knocked, reads and drops what came, forgets peers that
    // have gone; run between actions so no buffer grows without bound.
    void tidy();

    void connectClient(const QHostAddress &host, quint16 port);
    // The named peer, chosen among the live ones; false when there is none.
    bool sendFromClient(MonkeyInput &input) { return send(clients, input); }
    bool sendFromServer(MonkeyInput &input) { return send(serverPeers, input); }
    bool dropClient(MonkeyInput &input) { return drop(clients, input); }
    bool dropServerPeer(MonkeyInput &input) { return drop(serverPeers, input); }
    void sendDatagram(const QByteArray &data, quint16 port);

    qint64 bytesSent = 0;
    int datagramsSent = 0;
    int connectionsMade = 0;

private:
    using Peers = std::vector<std::unique_ptr<QTcpSocket>>;
    static QTcpSocket *liveOne(Peers &peers, MonkeyInput &input);
    bool send(Peers &peers, MonkeyInput &input);
    bool drop(Peers &peers, MonkeyInput &input);

    QTcpServer server;
    QUdpSocket udp;
    Peers clients;     // connected to the listening panel
    Peers serverPeers; // accepted from the outgoing panel
};
