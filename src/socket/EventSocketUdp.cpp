// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EventSocketPrivate.h"

#include "SocketErrorText.h"

#include <QNetworkProxy>
#include <QPointer>
#include <QElapsedTimer>
#include <QUdpSocket>

namespace {

// A flood is handed out in turns of the event loop of at most so many
// datagrams and so much time, so the window keeps painting and answering
// clicks while it lasts; the reader thread keeps the rest meanwhile.
constexpr int datagramsPerTurn = 64;
constexpr qint64 deliveryTurnNanoseconds = 4'000'000;

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
    udp = socket;
    boundPort = socket->localPort();
    state = StateOpen;
    // The socket is read on a thread of its own; Qt's own reading stays
    // unused, and Qt stops announcing the socket after a first notice.
    const quint64 gen = generation;
    reader = std::make_unique<DatagramReader>(socket->socketDescriptor(), [this, gen] {
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
    remotePort = port;
    destinationFixed = true;
    destinationPort = port;
    QHostAddress literal;
    if (literal.setAddress(host)) {
        remoteAddress = literal;
        destinationAddress = literal;
        return;
    }
    // A name is looked up without blocking the window; until its address is
    // known there is nowhere to send to, and a send says so.
    remoteName = host;
    lookup = std::make_unique<HostLookup>(host, q, [this](const QList<QHostAddress> &addresses) {
        udpHostLookedUp(addresses);
    });
}

void EventSocket::Private::udpHostLookedUp(const QList<QHostAddress> &addresses)
{
    lookup.reset();
    if (addresses.isEmpty()) {
        lookupFailed = true;
        state = StateError;
        queueError(describeSocketError(QAbstractSocket::HostNotFoundError));
        return;
    }
    destinationAddress = HostLookup::preferred(addresses);
    // A datagram fetched meanwhile named its own sender; the name stays in
    // RemoteHostIP() only while nothing else has taken its place.
    if (remoteAddress.isNull()) {
        remoteAddress = destinationAddress;
        remoteName.clear();
    }
}

void EventSocket::Private::deliverDatagrams()
{
    if (!reader)
        return;
    std::deque<DatagramReader::Datagram> arrived = reader->take();
    std::move(arrived.begin(), arrived.end(), std::back_inserter(inbox));

    const QPointer<EventSocket> alive(q);
    const quint64 gen = generation;
    QElapsedTimer turn;
    turn.start();
    for (int delivered = 0; !inbox.empty() && delivered < datagramsPerTurn; ++delivered) {
        announced = std::move(inbox.front());
        inbox.pop_front();
        holdsAnnounced = true;
        emit q->DataArrival(static_cast<int>(announced.data.size()));
        if (!alive || gen != generation)
            return;
        // Not fetched by its handler: gone, as the next one takes its place.
        announced = {};
        holdsAnnounced = false;
        if (turn.nsecsElapsed() > deliveryTurnNanoseconds)
            break;
    }
    if (!inbox.empty())
        queue([this] { deliverDatagrams(); });
}

void EventSocket::Private::fetchDatagram(QByteArray &data)
{
    if (!holdsAnnounced) {
        data.clear();
        return;
    }
    data = announced.data;
    // RemoteHostIP() now names this datagram's sender. Only a socket that
    // was not given a destination answers whoever wrote last: one stray
    // datagram must not redirect what the user sends to a chosen host.
    remoteAddress = announced.sender;
    remoteName.clear();
    remotePort = announced.senderPort;
    if (!destinationFixed) {
        destinationAddress = remoteAddress;
        destinationPort = static_cast<quint16>(remotePort);
    }
    announced = {};
    holdsAnnounced = false;
}

void EventSocket::Private::sendUdp(const QByteArray &data)
{
    if (!udp)
        throw EventSocketError(QStringLiteral("The socket is not open"));
    if (lookup)
        throw EventSocketError(QStringLiteral("The host name is still being looked up; send again once it is found"));
    if (lookupFailed)
        throw EventSocketError(describeSocketError(QAbstractSocket::HostNotFoundError).description);
    if (destinationAddress.isNull())
        throw EventSocketError(QStringLiteral("There is no remote host to send to: no datagram has arrived yet"),
                               EventSocketError::NoDestinationYet);
    if (udp->writeDatagram(data, destinationAddress, destinationPort) < 0)
        fail(udp->error(), udp->errorString());
    // The sent message names where this datagram went.
    remoteAddress = destinationAddress;
    remoteName.clear();
    remotePort = destinationPort;
}
