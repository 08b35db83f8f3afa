// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EventSocketPrivate.h"

#include "SocketErrorText.h"

#include <QNetworkProxy>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <limits>

namespace {

// The most one DataArrival announces of a stream.
constexpr qint64 readPiece = 256 * 1024;

// A peer that is not taken: reset at once, deleted from the event loop,
// since one of its signals may be on the stack below us.
void turnAway(QTcpSocket *socket)
{
    socket->abort();
    socket->deleteLater();
}

int byteCount(qsizetype size)
{
    return static_cast<int>(std::min<qsizetype>(size, std::numeric_limits<int>::max()));
}

} // namespace

void EventSocket::Private::bindTcp(quint16 port)
{
    auto *server = new QTcpServer(q);
    server->setProxy(QNetworkProxy::NoProxy);
    // No address: QHostAddress::Any is dual stack, so peers reach the port
    // over 127.0.0.1 and ::1 alike. QTcpServer sets SO_REUSEADDR, so the port
    // binds again at once while an old connection on it lingers in TIME_WAIT.
    if (!server->listen(QHostAddress::Any, port)) {
        const auto error = server->serverError();
        const QString systemText = server->errorString();
        delete server;
        fail(error, systemText);
    }
    // Bound but not yet listening: peers wait in the backlog until Listen(),
    // which callers make right after Bind.
    server->pauseAccepting();
    QObject::connect(server, &QTcpServer::newConnection, q, [this] { takeRequests(); });
    // A listener that can take no more peers (out of descriptors, say)
    // keeps listening, but the user must hear why nobody gets through.
    QObject::connect(server, &QTcpServer::acceptError, q, [this, server](QAbstractSocket::SocketError error) {
        const SocketFailure failure = describeSocketError(error, server->errorString());
        queueError(failure);
    });
    tcp.listener = server;
    boundPort = server->serverPort();
    state = StateOpen;
}

void EventSocket::Private::listen()
{
    tcp.listener->resumeAccepting();
    state = StateListening;
}

void EventSocket::Private::takeRequests()
{
    while (tcp.listener && tcp.listener->hasPendingConnections()) {
        QTcpSocket *socket = tcp.listener->nextPendingConnection();
        // A peer that reset the connection before it was taken has no
        // address left and nothing to read: there is no one to accept.
        if (socket->peerAddress().isNull()) {
            turnAway(socket);
            continue;
        }
        // The handler closes the listener before it accepts; the connection
        // must outlive it, so it no longer belongs to the listener.
        socket->setParent(q);
        Request request{socket, socket->peerAddress(), socket->peerPort(), socket->localPort()};
        const quint64 gen = generation;
        QMetaObject::invokeMethod(
            q,
            [this, gen, request] {
                if (gen == generation) {
                    offerRequest(request);
                } else {
                    // The listener closed before this peer's turn came.
                    turnAway(request.socket);
                }
            },
            Qt::QueuedConnection);
    }
}

void EventSocket::Private::offerRequest(Request request)
{
    const int requestID = ++lastRequestID;
    requests.emplace(requestID, request);
    const QPointer<EventSocket> alive(q);
    emit q->ConnectionRequest(requestID);
    if (!alive)
        return;
    // Not taken by its handler: the peer is turned away.
    const auto it = requests.find(requestID);
    if (it != requests.end()) {
        turnAway(it->second.socket);
        requests.erase(it);
    }
}

void EventSocket::Private::acceptRequest(int requestID)
{
    const auto it = requests.find(requestID);
    if (it == requests.end())
        throw EventSocketError(QStringLiteral("There is no connection request %1 to accept").arg(requestID));
    const Request request = it->second;
    requests.erase(it);

    protocol = TcpProtocol;
    tcp.connection = request.socket;
    remote.address = request.address;
    remote.port = request.port;
    boundPort = request.localPort;
    state = StateConnected;
    watchConnection();

    // The peer may have sent bytes, or even gone, while it waited: its bytes
    // sit in the socket's buffer and are announced like any others.
    readConnection();
    if (tcp.connection->state() == QAbstractSocket::UnconnectedState)
        queue([this] { peerClosed(); });
}

void EventSocket::Private::connectTcp(const QString &host, quint16 port)
{
    protocol = TcpProtocol;
    remote.name = host;
    remote.port = port;
    QHostAddress literal;
    if (literal.setAddress(host)) {
        raceTo({literal});
        return;
    }
    // Names are looked up by a lookup that a close abandons: the network
    // library's own would hold the program after its window has gone.
    state = StateResolvingHost;
    lookup = std::make_unique<HostLookup>(host, q,
                                          [this](const QList<QHostAddress> &addresses) { tcpHostLookedUp(addresses); });
}

void EventSocket::Private::tcpHostLookedUp(const QList<QHostAddress> &addresses)
{
    lookup.reset();
    if (addresses.isEmpty()) {
        state = StateError;
        queueError(describeSocketError(QAbstractSocket::HostNotFoundError));
        return;
    }
    raceTo(addresses);
}

void EventSocket::Private::raceTo(const QList<QHostAddress> &addresses)
{
    state = StateConnecting;
    tcp.race = std::make_unique<ConnectionRace>(
        static_cast<quint16>(localPort),
        [this](QTcpSocket *connection) {
            connection->setParent(q);
            tcp.connection = connection;
            watchConnection();
            connectionMade();
        },
        [this](QAbstractSocket::SocketError error, const QString &systemText) {
            state = StateError;
            queueError(describeSocketError(error, systemText));
        });
    tcp.race->start(addresses, static_cast<quint16>(remote.port));
}

void EventSocket::Private::watchConnection()
{
    // A peer pushing at full speed is taken a bounded piece per arrival, so
    // each turn of the event loop stays short and memory stays small; the
    // rest waits in the system, which slows the peer down.
    tcp.connection->setReadBufferSize(readPiece);
    QObject::connect(tcp.connection, &QIODevice::readyRead, q, [this] { readConnection(); });
    QObject::connect(tcp.connection, &QAbstractSocket::disconnected, q, [this] { peerClosed(); });
    QObject::connect(tcp.connection, &QAbstractSocket::errorOccurred, q,
                     [this](QAbstractSocket::SocketError error) { connectionFailed(error); });
}

void EventSocket::Private::connectionMade()
{
    state = StateConnected;
    remote.address = tcp.connection->peerAddress();
    remote.port = tcp.connection->peerPort();
    boundPort = tcp.connection->localPort();
    queue([this] { emit q->ConnectEvent(); });
}

void EventSocket::Private::connectionFailed(QAbstractSocket::SocketError error)
{
    // The peer's close, orderly or reset, is the CloseEvent that
    // disconnected() raises, not an error.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    // The connection ends in disconnected() and its CloseEvent; failed
    // attempts to connect are the race's to report.
    queueError(describeSocketError(error, tcp.connection->errorString()));
}

void EventSocket::Private::readConnection()
{
    if (!tcp.connection || tcp.connection->bytesAvailable() <= 0 || tcp.received.size() >= readPiece)
        return;
    if (tcp.received.isEmpty())
        tcp.received = tcp.connection->read(readPiece);
    else
        tcp.received += tcp.connection->read(readPiece - tcp.received.size());
    queueArrival();
}

void EventSocket::Private::queueArrival()
{
    // One DataArrival announces everything that came since the last fetch.
    if (tcp.arrivalQueued)
        return;
    tcp.arrivalQueued = true;
    queue([this] {
        tcp.arrivalQueued = false;
        if (!tcp.received.isEmpty()) {
            const QPointer<EventSocket> alive(q);
            const quint64 gen = generation;
            emit q->DataArrival(byteCount(tcp.received.size()));
            if (!alive || gen != generation)
                return;
        }
        // After the peer has gone, the close follows the arrival whose
        // handler fetched no further piece.
        if (state == StateClosing && !tcp.arrivalQueued)
            queueClose();
    });
}

void EventSocket::Private::peerClosed()
{
    if (state == StateClosing)
        return;
    state = StateClosing;
    // Bytes that came with the close are announced before the CloseEvent, a
    // bounded piece per arrival like any others: each fetch takes the next.
    readConnection();
    if (!tcp.arrivalQueued)
        queueClose();
}

void EventSocket::Private::queueClose()
{
    if (std::exchange(tcp.closeQueued, true))
        return;
    queue([this] { emit q->CloseEvent(); });
}

void EventSocket::Private::sendTcp(const QByteArray &data)
{
    if (state != StateConnected || !tcp.connection)
        throw EventSocketError(QStringLiteral("The socket is not connected"));
    if (data.isEmpty())
        return;
    if (tcp.connection->write(data) != data.size())
        fail(tcp.connection->error(), tcp.connection->errorString());
}
