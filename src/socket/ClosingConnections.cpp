// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ClosingConnections.h"

#include "ClosingConnection.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

int stallTimeout = ClosingConnections::defaultStallTimeout;

} // namespace

ClosingConnections::ClosingConnections(QObject *parent)
    : QObject(parent)
{}

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
    if (connection->state() != QAbstractSocket::ConnectedState) {
        connection->abort();
        connection->deleteLater();
        return;
    }
    new ClosingConnection(connection, stallTimeout, instance());
}

int ClosingConnections::pending()
{
    return int(instance()->findChildren<ClosingConnection *>(Qt::FindDirectChildrenOnly).size());
}

void ClosingConnections::setStallTimeout(int msecs)
{
    stallTimeout = msecs;
}

void ClosingConnections::finishWithin(int msecs)
{
    // Only the connections closing now: one adopted later has its own time.
    const auto closing = instance()->findChildren<ClosingConnection *>(Qt::FindDirectChildrenOnly);
    // Precise: a coarse timer may fire a twentieth early or late.
    for (ClosingConnection *connection : closing)
        QTimer::singleShot(msecs, Qt::PreciseTimer, connection, &ClosingConnection::giveUp);
}
