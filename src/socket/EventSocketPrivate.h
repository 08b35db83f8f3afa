// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ConnectionRace.h"
#include "DatagramReader.h"
#include "EventSocket.h"
#include "HostLookup.h"
#include "SocketErrorText.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QMetaObject>

#include <map>
#include <memory>
#include <utility>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

struct EventSocket::Private
{
    explicit Private(EventSocket *owner)
        : q(owner)
    {}

    // A peer that knocked on the listener, waiting for its handler to accept
    // it. Its address is kept from the start: a peer that has already gone
    // by the time it is accepted no longer tells the socket where it was.
    struct Request
    {
        QTcpSocket *socket = nullptr;
        QHostAddress address;
        int port = 0;
        int localPort = 0;
    };

    // Runs work from the event loop, so that no event fires inside one of
    // the public calls, and only if no Close() came in between: every Close()
    // starts a new generation and what a closed socket left queued is dropped.
    template <typename Work>
    void queue(Work &&work)
    {
        QMetaObject::invokeMethod(
            q,
            [this, gen = generation, work = std::forward<Work>(work)]() mutable {
                if (gen == generation)
                    work();
            },
            Qt::QueuedConnection);
    }

    // An ErrorEvent, raised from the event loop like every other event.
    void queueError(const SocketFailure &failure)
    {
        queue([this, failure] { emit q->ErrorEvent(static_cast<int>(failure.number), failure.description); });
    }

    void closeAll();
    [[noreturn]] void fail(QAbstractSocket::SocketError error, const QString &systemText);

    // TCP (EventSocketTcp.cpp)
    void bindTcp(quint16 port);
    void listen();
    void takeRequests();
    void offerRequest(Request request);
    void acceptRequest(int requestID);
    void connectTcp(const QString &host, quint16 port);
    void tcpHostLookedUp(const QList<QHostAddress> &addresses);
    void raceTo(const QList<QHostAddress> &addresses);
    void watchConnection();
    void connectionMade();
    void connectionFailed(QAbstractSocket::SocketError error);
    void readConnection();
    void peerClosed();
    void queueArrival();
    void queueClose();
    void sendTcp(const QByteArray &data);

    // UDP (EventSocketUdp.cpp)
    void bindUdp(quint16 port);
    void connectUdp(const QString &host, quint16 port);
    void udpHostLookedUp(const QList<QHostAddress> &addresses);
    void deliverDatagrams();
    void sendUdp(const QByteArray &data);
    void fetchDatagram(QByteArray &data);

    EventSocket *const q;

    int protocol = TcpProtocol;
    int localPort = 0; // as set; used by Connect
    int boundPort = 0; // while open
    int state = StateClosed;
    quint64 generation = 0;

    // The remote side as RemoteHostIP() names it. A host name given to
    // Connect stands in until its address is known.
    struct Remote
    {
        QHostAddress address;
        QString name;
        int port = 0;
    };
    Remote remote;

    // A host name given to Connect, while it is looked up.
    std::unique_ptr<HostLookup> lookup;

    // What a TCP socket holds while open; Close() starts afresh.
    struct Tcp
    {
        QTcpServer *listener = nullptr;
        // The attempts to connect, until one of them has.
        std::unique_ptr<ConnectionRace> race;
        QTcpSocket *connection = nullptr;
        QByteArray received;
        bool arrivalQueued = false;
        bool closeQueued = false;
    };
    Tcp tcp;
    // Peers offered to their handler. They outlive a Close(): the handler
    // closes the listener before it accepts.
    std::map<int, Request> requests;
    int lastRequestID = 0;

    // What a UDP socket holds while open; Close() starts afresh.
    struct Udp
    {
        QUdpSocket *socket = nullptr;
        std::unique_ptr<DatagramReader> reader;
        DatagramReader::Datagram announced; // the datagram of the DataArrival under way
        bool holdsAnnounced = false;
        // How fast the window shows datagrams while they keep it busy.
        QElapsedTimer turnStarted;
        int deliveredLastTurn = 0; // by a turn that left datagrams waiting
        double shownPerSecond = 0;
        int busyCycles = 0;
        bool lookupFailed = false;
        // Where datagrams go. Connect fixes it, and then no datagram that
        // arrives moves it; after Bind alone it is the sender of the latest one.
        bool destinationFixed = false;
        QHostAddress destinationAddress;
        quint16 destinationPort = 0;
    };
    Udp udp;
};

// Dotted text for IPv4 peers, also when they reach a dual-stack socket as
// IPv4-mapped IPv6 addresses; IPv6 peers in their usual text.
QString addressText(const QHostAddress &address);
