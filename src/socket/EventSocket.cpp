// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EventSocket.h"

#include "ClosingConnections.h"
#include "EventSocketPrivate.h"
#include "PortText.h"
#include "SocketErrorText.h"

#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <type_traits>

namespace {

void requireClosed(int state)
{
    if (state != EventSocket::StateClosed)
        throw EventSocketError(QStringLiteral("The socket is already open; close it first"));
}

// Closes a Qt object at once, so its port is free again, but deletes it from
// the event loop: one of its signals may be on the stack below us. It is cut
// off first, because closing a connected socket still emits signals.
template <typename Object>
void retire(Object *&object, EventSocket *owner)
{
    if (!object)
        return;
    QObject::disconnect(object, nullptr, owner, nullptr);
    if constexpr (std::is_base_of_v<QAbstractSocket, Object>)
        object->abort();
    else
        object->close();
    object->deleteLater();
    object = nullptr;
}

} // namespace

QString addressText(const QHostAddress &address)
{
    // Only a mapped address turns dotted: "::", which the conversion would
    // also take for 0.0.0.0, is an IPv6 destination of its own.
    bool isIPv4 = false;
    const QHostAddress ipv4(address.toIPv4Address(&isIPv4));
    if (isIPv4 && address.isEqual(ipv4, QHostAddress::ConvertV4MappedToIPv4))
        return ipv4.toString();
    return address.toString();
}

void EventSocket::Private::closeAll()
{
    ++generation;
    retire(tcp.listener, q);
    // Bytes already reported as sent still reach the peer: the connection
    // finishes in the background while this socket is closed at once.
    if (tcp.connection) {
        QObject::disconnect(tcp.connection, nullptr, q, nullptr);
        ClosingConnections::adopt(std::exchange(tcp.connection, nullptr));
    }
    // The reader stops before its socket closes under it.
    udp.reader.reset();
    retire(udp.socket, q);
    // A lookup still running is abandoned, never waited for.
    lookup.reset();
    tcp = {};
    udp = {};
    remote = {};
    boundPort = 0;
    state = StateClosed;
}

void EventSocket::Private::fail(QAbstractSocket::SocketError error, const QString &systemText)
{
    throw EventSocketError(describeSocketError(error, systemText).description);
}

EventSocket::EventSocket(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{}

EventSocket::~EventSocket()
{
    d->closeAll();
}

int EventSocket::Protocol() const
{
    return d->protocol;
}

void EventSocket::SetProtocol(int protocol)
{
    if (d->state != StateClosed)
        throw EventSocketError(QStringLiteral("The protocol can be changed only while the socket is closed"));
    if (protocol != TcpProtocol && protocol != UdpProtocol)
        throw EventSocketError(QStringLiteral("Unknown protocol %1 (0 is TCP, 1 is UDP)").arg(protocol));
    d->protocol = protocol;
}

int EventSocket::LocalPort() const
{
    return d->state == StateClosed ? d->localPort : d->boundPort;
}

void EventSocket::SetLocalPort(int port)
{
    if (!isPortNumber(port))
        throw EventSocketError(QStringLiteral("%1 is not a port number from 0 to %2").arg(port).arg(highestPort));
    d->localPort = port;
}

QString EventSocket::LocalIP() const
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)
            || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return entry.ip().toString();
        }
    }
    return QStringLiteral("127.0.0.1");
}

QString EventSocket::RemoteHostIP() const
{
    if (d->remote.address.isNull())
        return d->remote.name;
    return addressText(d->remote.address);
}

int EventSocket::RemotePort() const
{
    return d->remote.port;
}

int EventSocket::State() const
{
    return d->state;
}

void EventSocket::Close()
{
    d->closeAll();
}

void EventSocket::Connect(const QString &host, const QString &port)
{
    requireClosed(d->state);
    QString name = host.trimmed();
    // An IPv6 literal may come in brackets, as in a URL.
    if (name.size() > 2 && name.startsWith(u'[') && name.endsWith(u']'))
        name = name.sliced(1, name.size() - 2);
    if (name.isEmpty())
        throw EventSocketError(QStringLiteral("The remote host is empty"));
    const quint16 remotePort = readPort(port);
    if (d->protocol == TcpProtocol)
        d->connectTcp(name, remotePort);
    else
        d->connectUdp(name, remotePort);
}

void EventSocket::Bind(const QString &port)
{
    requireClosed(d->state);
    const quint16 localPort = readPort(port);
    if (d->protocol == TcpProtocol)
        d->bindTcp(localPort);
    else
        d->bindUdp(localPort);
}

void EventSocket::Listen()
{
    if (d->protocol != TcpProtocol)
        throw EventSocketError(QStringLiteral("Only a TCP socket can listen"));
    if (d->state == StateListening)
        return;
    if (d->state != StateOpen || !d->tcp.listener)
        throw EventSocketError(QStringLiteral("The socket must be bound to a port before it can listen"));
    d->listen();
}

void EventSocket::Accept(int requestID)
{
    if (d->state != StateClosed)
        throw EventSocketError(QStringLiteral("A connection can be accepted only on a closed socket"));
    d->acceptRequest(requestID);
}

void EventSocket::SendData(const QByteArray &data)
{
    if (d->protocol == TcpProtocol)
        d->sendTcp(data);
    else
        d->sendUdp(data);
}

void EventSocket::GetData(QByteArray &data)
{
    if (d->protocol == UdpProtocol) {
        d->fetchDatagram(data);
        return;
    }
    data = std::exchange(d->tcp.received, QByteArray());
    // The next piece of a stream waiting in the connection's buffer.
    d->readConnection();
}

qint64 EventSocket::droppedDatagrams() const
{
    return d->udp.reader ? d->udp.reader->dropped() : 0;
}
