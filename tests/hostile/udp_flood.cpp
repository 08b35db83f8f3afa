// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Sends numbered datagrams to 127.0.0.1 as fast as it can, from a process of
// its own, so that the window under test is not also the one sending.
//
//   hostile_udp_flood <port> <count>
//
// Prints how many datagrams the system took and how many it refused.
#include "FloodDatagram.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTextStream>
#include <QUdpSocket>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    bool portRead = false;
    bool countRead = false;
    const quint16 port = arguments.value(1).toUShort(&portRead);
    const quint32 count = arguments.value(2).toUInt(&countRead);
    QTextStream out(stdout);
    if (!portRead || !countRead || port == 0) {
        out << "usage: hostile_udp_flood <port> <count>\n";
        return 2;
    }

    QUdpSocket sender;
    if (!sender.bind(QHostAddress::LocalHost, 0)) {
        out << "cannot bind: " << sender.errorString() << '\n';
        return 1;
    }
    quint32 taken = 0;
    quint32 refused = 0;
    for (quint32 number = 0; number < count; ++number) {
        // A full send buffer refuses a datagram; a flood does not wait for
        // room, it counts the loss and goes on, as the receiver's does.
        if (sender.writeDatagram(floodDatagram(number), QHostAddress::LocalHost, port) < 0)
            ++refused;
        else
            ++taken;
    }
    out << "sent " << taken << " refused " << refused << '\n';
    return 0;
}
