// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>

// Data that tells where in a stream it came from: the byte at each position
// is the position modulo 251, a prime, so no power-of-two chunking of the
// stream lines up with the pattern.
inline char streamByte(qint64 position)
{
    return char(position % 251);
}

inline QByteArray streamSlice(qint64 from, qint64 count)
{
    QByteArray slice(count, Qt::Uninitialized);
    for (qint64 i = 0; i < count; ++i)
        slice[i] = streamByte(from + i);
    return slice;
}

// The box texts the rules give for a run of bytes, written out here on their
// own so that the program's renderer is held against them, not against itself.
inline QString hexRendering(QByteArrayView bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 3);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += QLatin1Char(digits[value >> 4]);
        text += QLatin1Char(digits[value & 0xF]);
        text += QLatin1Char(' ');
    }
    return text;
}

inline QString decimalRendering(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size() * 4);
    for (const char byte : bytes) {
        text += QString::number(static_cast<unsigned char>(byte));
        text += QLatin1Char(' ');
    }
    return text;
}

// Where two long texts part, short enough for a failure message.
inline QByteArray firstDifference(const QString &shown, const QString &expected)
{
    qsizetype at = 0;
    const qsizetype common = std::min(shown.size(), expected.size());
    while (at < common && shown[at] == expected[at])
        ++at;
    if (at == common && shown.size() == expected.size())
        return "the texts are equal";
    return QStringLiteral("%1 characters shown, %2 expected; they part at %3: shown \"%4\", expected \"%5\"")
        .arg(shown.size())
        .arg(expected.size())
        .arg(at)
        .arg(shown.mid(at, 24), expected.mid(at, 24))
        .toUtf8();
}

// The bytes a Hex rendering stands for; a text that is no Hex rendering
// gives bytes that will not match what was expected.
inline QByteArray bytesOfHexRendering(const QString &text)
{
    return QByteArray::fromHex(QString(text).remove(u' ').toLatin1());
}
