// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

#include <optional>

// A flood datagram carries its number twice, the second time inverted, so a
// receiver can tell a whole datagram from a torn or merged one.
inline QByteArray floodDatagram(quint32 number)
{
    QByteArray datagram(8, Qt::Uninitialized);
    qToBigEndian(number, datagram.data());
    qToBigEndian(~number, datagram.data() + 4);
    return datagram;
}

// The number a whole flood datagram carries; nothing for anything else.
inline std::optional<quint32> floodNumber(QByteArrayView datagram)
{
    if (datagram.size() != 8)
        return std::nullopt;
    const quint32 number = qFromBigEndian<quint32>(datagram.data());
    if (qFromBigEndian<quint32>(datagram.data() + 4) != ~number)
        return std::nullopt;
    return number;
}
