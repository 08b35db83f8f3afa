// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ClosingConnections.h"

#include <QCoreApplication>
#include <QEventLoopLocker>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

ClosingConnections::ClosingConnections(QObject *parent) : QObject(parent) {}

ClosingConnections *ClosingConnections::instance()
{
    // Lives as long as the application, so connections may outlive the
    // window and the socket that opened them.
    static QPointer<ClosingConnections> theInstance;
    if (!theInstance)
        theInstance = new ClosingConnections(QCoreApplication::instance());
    return theInstance;
}

void ClosingConnections::adopt(QTcpSocket *connection)
{
    if (!connection)
        return;
    ClosingConnections *self = instance();
    connection->setParent(self);
    if (connection->state() != QAbstractSocket::ConnectedState || connection->bytesToWrite() == 0) {
        // Nothing owed: an orderly close now for a connected socket, and an
        // attempt still under way simply stops.
        if (connection->state() == QAbstractSocket::ConnectedState)
            connection->disconnectFromHost();
        else
            connection->abort();
        connection->deleteLater();
        return;
    }
    self->watch(connection);
}

void ClosingConnections::watch(QTcpSocket *connection)
{
    // Held while the bytes are owed: the program does not quit under them.
    auto *locker = new QEventLoopLocker;
    auto *stalled = new QTimer(connection);
    stalled->setSingleShot(true);
    stalled->start(stallTimeout);
    connect(connection, &QAbstractSocket::bytesWritten, stalled, [stalled] { stalled->start(stallTimeout); });
    connect(stalled, &QTimer::timeout, connection, [connection] { connection->abort(); });
    // What the peer still sends is read and dropped: bytes left unread in
    // the system's buffer would turn the orderly close into a reset.
    connect(connection, &QIODevice::readyRead, connection, [connection] { connection->readAll(); });
    connect(connection, &QAbstractSocket::stateChanged, this,
            [this, connection, locker](QAbstractSocket::SocketState state) {
                if (state != QAbstractSocket::UnconnectedState)
                    return;
                delete locker;
                finish(connection);
            });
    connection->disconnectFromHost();
}

void ClosingConnections::finish(QTcpSocket *connection)
{
    connection->disconnect(this);
    connection->deleteLater();
}

void ClosingConnections::finishWithin(int msecs)
{
    ClosingConnections *self = instance();
    // Only the connections closing now: one adopted later has its own time.
    QList<QPointer<QTcpSocket>> closing;
    for (QTcpSocket *connection : self->findChildren<QTcpSocket *>(Qt::FindDirectChildrenOnly))
        closing.append(connection);
    if (closing.isEmpty())
        return;
    QTimer::singleShot(msecs, self, [closing] {
        for (const QPointer<QTcpSocket> &connection : closing) {
            if (connection)
                connection->abort();
        }
    });
}
