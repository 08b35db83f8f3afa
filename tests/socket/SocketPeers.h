// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What the socket tests share: an event log in arrival order, the listening
// panel's own way of answering requests; raw peers come from support/.

#include "../support/Peers.h"

#include "socket/EventSocket.h"

#include <QCoreApplication>
#include <QObject>
#include <QStringList>

// Every event of one socket, in the order the handlers saw them.
class EventLog : public QObject
{
public:
    explicit EventLog(EventSocket &socket)
    {
        connect(&socket, &EventSocket::ConnectionRequest, this,
                [this](int) { entries << QStringLiteral("ConnectionRequest"); });
        connect(&socket, &EventSocket::ConnectEvent, this, [this] { entries << QStringLiteral("Connect"); });
        connect(&socket, &EventSocket::DataArrival, this,
                [this](int bytesTotal) { entries << QStringLiteral("DataArrival %1").arg(bytesTotal); });
        connect(&socket, &EventSocket::CloseEvent, this, [this] { entries << QStringLiteral("Close"); });
        connect(&socket, &EventSocket::ErrorEvent, this,
                [this](int, const QString &description) { entries << QStringLiteral("Error ") + description; });
    }

    QStringList entries;
};

// Runs an operation inside a handler; an exception must not cross the event
// loop, so its description is kept for the test to look at.
template <typename Operation>
void keepFailure(QString &failure, Operation operation)
{
    try {
        operation();
    } catch (const EventSocketError &error) {
        failure = error.description();
    }
}

inline void listenTcp(EventSocket &socket, const QString &port = QStringLiteral("0"))
{
    socket.Close();
    socket.SetProtocol(EventSocket::TcpProtocol);
    socket.Bind(port);
    socket.Listen();
}

// Answers each request as the listening panel does: the listener closes
// first, so a second peer finds no one listening, and then the request is
// accepted on the closed instance.
inline void acceptEachRequest(EventSocket &socket, QString &failure)
{
    QObject::connect(&socket, &EventSocket::ConnectionRequest, &socket, [&socket, &failure](int requestID) {
        keepFailure(failure, [&] {
            socket.Close();
            socket.Accept(requestID);
        });
    });
}

// Appends every arrival's bytes to received, fetching them in the handler.
inline void collectArrivals(EventSocket &socket, QByteArray &received)
{
    QObject::connect(&socket, &EventSocket::DataArrival, &socket, [&socket, &received](int) {
        QByteArray data;
        socket.GetData(data);
        received += data;
    });
}

// A raw client, connected from `from` to the socket's port, that the socket
// took: its state became connected. Null when it did not within five seconds.
inline std::unique_ptr<QTcpSocket> clientAcceptedBy(const EventSocket &socket,
                                                    const QHostAddress &from = QHostAddress::LocalHost)
{
    auto client = std::make_unique<QTcpSocket>();
    client->connectToHost(from, quint16(socket.LocalPort()));
    if (!QTest::qWaitFor([&socket] { return socket.State() == EventSocket::StateConnected; }))
        return nullptr;
    return client;
}

// Work already queued on the event loop runs; used where a test shows that
// nothing more comes.
inline void drainPostedEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}
