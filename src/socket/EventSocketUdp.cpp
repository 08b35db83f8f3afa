// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EventSocketPrivate.h"

#include "DatagramSend.h"
#include "SocketErrorText.h"

#include <QNetworkProxy>
#include <QPointer>
#include <QUdpSocket>

#include <algorithm>

namespace {

// A flood is handed out in turns of the event loop of at most so many
// datagrams and so much time, so the window keeps painting and answering
// clicks while it lasts; the reader's queue keeps the rest meanwhile.
constexpr int datagramsPerTurn = 64;
constexpr qint64 deliveryTurnNanoseconds = 4'000'000;

// How far the box may lag behind the wire while datagrams come faster than
// the window shows them: so many may wait as it shows in this time, and the
// oldest beyond that are dropped. A stream the window keeps up with never
// has that many waiting, however long it lasts, and a flood's last datagram
// is shown about this long after the reader took it; on a slow build the
// reader may take as long again to work through the system's buffer.
constexpr double longestLagSeconds = 0.1;

} // namespace

void EventSocket::Private::bindUdp(quint16 port)
{
    auto *socket = new QUdpSocket(q);
    socket->setProxy(QNetworkProxy::NoProxy);
    // DontShareAddress alone leaves SO_REUSEADDR off: with it, Linux would
    // let two UDP sockets share the port, and a port held by another program
    // would seem free. QHostAddress::Any takes IPv4 and IPv6 senders alike.
    if (!socket->bind(QHostAddress::Any, port, QAbstractSocket::DontShareAddress)) {
        const auto error = socket->error();
        const QString systemText = socket->errorString();
        delete socket;
        fail(error, systemText);
    }
    protocol = UdpProtocol;
    udp.socket = socket;
    boundPort = socket->localPort();
    state = StateOpen;
    // The socket is read on a thread of its own; Qt's own reading stays
    // unused, and Qt stops announcing the socket after a first notice.
    const quint64 gen = generation;
    udp.reader = std::make_unique<DatagramReader>(socket->socketDescriptor(), [this, gen] {
        QMetaObject::invokeMethod(
            q,
            [this, gen] {
                if (gen == generation)
                    deliverDatagrams();
            },
            Qt::QueuedConnection);
    });
}

void EventSocket::Private::connectUdp(const QString &host, quint16 port)
{
    bindUdp(static_cast<quint16>(localPort));
    remote.port = port;
    udp.destinationFixed = true;
    udp.destinationPort = port;
    QHostAddress literal;
    if (literal.setAddress(host)) {
        remote.address = literal;
        udp.destinationAddress = literal;
        return;
    }
    // A name is looked up without blocking the window; until its address is
    // known there is nowhere to send to, and a send says so.
    remote.name = host;
    lookup = std::make_unique<HostLookup>(host, q,
                                          [this](const QList<QHostAddress> &addresses) { udpHostLookedUp(addresses); });
}

void EventSocket::Private::udpHostLookedUp(const QList<QHostAddress> &addresses)
{
    lookup.reset();
    if (addresses.isEmpty()) {
        udp.lookupFailed = true;
        state = StateError;
        queueError(describeSocketError(QAbstractSocket::HostNotFoundError));
        return;
    }
    udp.destinationAddress = addresses.constFirst();
    // A datagram fetched meanwhile named its own sender; the name stays in
    // RemoteHostIP() only while nothing else has taken its place.
    if (remote.address.isNull()) {
        remote.address = udp.destinationAddress;
        remote.name.clear();
    }
}

void EventSocket::Private::deliverDatagrams()
{
    if (!udp.reader)
        return;
    // A turn straight after one that left datagrams waiting closes a cycle
    // of the busy window, its paints and clicks included: it tells how many
    // datagrams the window shows a second, and so how many may wait. One
    // cycle alone may have been held up by anything else on the machine, so
    // the cycles are averaged, and the limit waits for a second one.
    if (udp.deliveredLastTurn > 0) {
        const double pace = udp.deliveredLastTurn * 1e9 / double(std::max<qint64>(udp.turnStarted.nsecsElapsed(), 1));
        udp.shownPerSecond = udp.shownPerSecond > 0 ? udp.shownPerSecond + (pace - udp.shownPerSecond) / 8 : pace;
        if (++udp.busyCycles > 1)
            udp.reader->keepAtMost(qint64(udp.shownPerSecond * longestLagSeconds));
    }
    udp.turnStarted.start();
    udp.deliveredLastTurn = 0;

    // Taken one at a time, so that the ones that wait stay few while a
    // turn's are handled.
    const QPointer<EventSocket> alive(q);
    const quint64 gen = generation;
    int delivered = 0;
    while (delivered < datagramsPerTurn && udp.turnStarted.nsecsElapsed() <= deliveryTurnNanoseconds) {
        if (!udp.reader->takeNext(udp.announced))
            return; // the reader announces the next one
        ++delivered;
        udp.holdsAnnounced = true;
        emit q->DataArrival(static_cast<int>(udp.announced.data.size()));
        if (!alive || gen != generation)
            return;
        // Not fetched by its handler: gone, as the next one takes its place.
        udp.announced = {};
        udp.holdsAnnounced = false;
    }
    udp.deliveredLastTurn = delivered;
    queue([this] { deliverDatagrams(); });
}

void EventSocket::Private::fetchDatagram(QByteArray &data)
{
    if (!udp.holdsAnnounced) {
        data.clear();
        return;
    }
    data = udp.announced.data;
    // RemoteHostIP() now names this datagram's sender. Only a socket that
    // was not given a destination answers whoever wrote last: one stray
    // datagram must not redirect what the user sends to a chosen host.
    remote.address = udp.announced.sender;
    remote.name.clear();
    remote.port = udp.announced.senderPort;
    if (!udp.destinationFixed) {
        udp.destinationAddress = remote.address;
        udp.destinationPort = static_cast<quint16>(remote.port);
    }
    udp.announced = {};
    udp.holdsAnnounced = false;
}

void EventSocket::Private::sendUdp(const QByteArray &data)
{
    if (!udp.socket)
        throw EventSocketError(QStringLiteral("The socket is not open"));
    if (lookup)
        throw EventSocketError(QStringLiteral("The host name is still being looked up; send again once it is found"));
    if (udp.lookupFailed)
        throw EventSocketError(describeSocketError(QAbstractSocket::HostNotFoundError).description);
    if (udp.destinationAddress.isNull())
        throw EventSocketError(QStringLiteral("There is no remote host to send to: no datagram has arrived yet"),
                               EventSocketError::NoDestinationYet);
    if (const int error =
            sendDatagram(udp.socket->socketDescriptor(), data, udp.destinationAddress, udp.destinationPort))
        throw EventSocketError(describeSendError(error).description);
    // The sent message names where this datagram went.
    remote.address = udp.destinationAddress;
    remote.name.clear();
    remote.port = udp.destinationPort;
}
