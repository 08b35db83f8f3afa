// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MonkeyInput.h"

namespace {

// Characters from every corner: ASCII, Latin-1 above 127, scripts beyond
// Latin-1, right-to-left text, a combining mark, a character outside the
// basic plane (two UTF-16 units), controls and the line breaks. No ASCII
// digits: numbers are made on purpose elsewhere.
const QStringList &characterPool()
{
    static const QStringList pool{
        QStringLiteral("a"),          QStringLiteral("Z"),          QStringLiteral(" "),      QStringLiteral(" "),
        QStringLiteral("-"),          QStringLiteral("+"),          QStringLiteral("."),      QStringLiteral(","),
        QStringLiteral("e"),          QStringLiteral("x"),          QStringLiteral("f"),      QStringLiteral("G"),
        QStringLiteral("\""),         QStringLiteral("<"),          QStringLiteral("&"),      QStringLiteral("\t"),
        QStringLiteral("\n"),         QStringLiteral("\r"),         QString(QChar(0x01)),     QString(QChar(0x1b)),
        QString(QChar(0x7f)),         QString(QChar(0x00)),         QStringLiteral("\u00e9"), QStringLiteral("\u00ff"),
        QStringLiteral("\u00a0"),     QStringLiteral("\u00ad"),     QStringLiteral("\u0394"), QStringLiteral("\u0416"),
        QStringLiteral("\u05d0"),     QStringLiteral("\u0663"),     QStringLiteral("\u0301"), QStringLiteral("\u200b"),
        QStringLiteral("\u202e"),     QStringLiteral("\u4e2d"),     QStringLiteral("\uff11"), QStringLiteral("\ufeff"),
        QStringLiteral("\U0001F600"), QStringLiteral("\U00010348"),
    };
    return pool;
}

} // namespace

const QStringList &MonkeyInput::loopbackHosts()
{
    static const QStringList hosts{
        QStringLiteral("127.0.0.1"), QStringLiteral("::1"),         QStringLiteral("localhost"),
        QStringLiteral("[::1]"),     QStringLiteral(" 127.0.0.1 "), QString(),
        QStringLiteral("   "),
    };
    return hosts;
}

QString MonkeyInput::characters(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += pick(characterPool());
    return text;
}

QString MonkeyInput::numbers(int base)
{
    QString text;
    const int count = 1 + below(8);
    for (int i = 0; i < count; ++i) {
        if (i > 0 || chance(20))
            text += QString(chance(90) ? 1 : 2, u' ');
        // Mostly bytes, now and then one too large or one with a stray letter.
        const int value = chance(85) ? below(256) : below(70000);
        QString number = QString::number(value, base);
        if (base == 16 && chance(50))
            number = number.toUpper();
        if (chance(5))
            number += pick(characterPool());
        text += number;
    }
    if (chance(20))
        text += u' ';
    return text;
}

QString MonkeyInput::anyText()
{
    switch (below(10)) {
    case 0:
    case 1:
    case 2:
        return numbers(10);
    case 3:
    case 4:
        return numbers(16);
    case 5:
        return QString();
    case 6:
        // Long enough to matter, short enough that its bytes (line breaks
        // doubled) still fit one datagram.
        return chance(50) ? QString(1000 + below(20000), QChar(u'a' + below(26))) : characters(500 + below(3000));
    default:
        return characters(1 + below(24));
    }
}

QString MonkeyInput::portText(const QList<quint16> &ownPorts)
{
    static const QStringList unusable{
        QStringLiteral("-1"),
        QStringLiteral("65536"),
        QStringLiteral("99999"),
        QStringLiteral("-0.6"),
        QString(),
        QStringLiteral(" "),
        QStringLiteral("abc"),
        QStringLiteral("1e9"),
        QStringLiteral("0x10"),
        QStringLiteral("+-1"),
        QStringLiteral("."),
        QStringLiteral("1e"),
        QStringLiteral("inf"),
        QStringLiteral("nan"),
        QStringLiteral("\u0663"),
        QStringLiteral("\uff11"),
        QStringLiteral("0"),
        QStringLiteral("0.4"),
        QStringLiteral("-0"),
        QStringLiteral("0e5"),
    };
    if (!ownPorts.isEmpty() && chance(60)) {
        const quint16 port = pick(ownPorts);
        // The same port written as the port boxes also read it.
        switch (below(6)) {
        // A port box takes five characters: a five-digit port gets no
        // blank or zero in front, which would push its last digit out and
        // leave another port in the box.
        case 0:
            return port < 10000 ? QStringLiteral(" ") + QString::number(port) : QString::number(port);
        case 1:
            return port < 10000 ? QStringLiteral("0") + QString::number(port) : QString::number(port);
        default:
            return QString::number(port);
        }
    }
    if (chance(70))
        return pick(unusable);
    return characters(1 + below(5));
}

QByteArray MonkeyInput::anyBytes()
{
    int size = below(64);
    if (chance(20))
        size = below(4096);
    if (chance(2))
        size = 20000 + below(45000);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(below(256));
    return bytes;
}
