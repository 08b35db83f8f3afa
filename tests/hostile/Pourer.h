// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>

// Keeps a raw peer pouring one fill byte into its connection for as long as
// it lasts: whenever less than a few chunks wait to be written, more go out.
// Driven by the socket's own progress, so it pours as fast as the other side
// reads, and stops by itself when the connection ends.
class Pourer : public QObject
{
public:
    Pourer(QTcpSocket *socket, char fill)
        : socket(socket)
        , chunk(16 * 1024, fill)
    {
        connect(socket, &QIODevice::bytesWritten, this, &Pourer::topUp);
        topUp();
    }

    qint64 poured = 0;

private:
    void topUp()
    {
        while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 4 * chunk.size()) {
            if (socket->write(chunk) != chunk.size())
                return;
            poured += chunk.size();
        }
    }

    QTcpSocket *socket;
    QByteArray chunk;
};
