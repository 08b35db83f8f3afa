// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>

// The bytes a peer sends, made from a seed alone, so the window's side can
// work out what the last datagram held without being told.
inline QByteArray BenchPayload(quint64 seed, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint64 state = seed * 0x9E3779B97F4A7C15ull + 1;
    for (qsizetype i = 0; i < size; ++i) {
        // splitmix64: cheap, and every byte value turns up.
        state += 0x9E3779B97F4A7C15ull;
        quint64 z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        bytes[i] = char((z ^ (z >> 31)) & 0xFF);
    }
    return bytes;
}

// Byte offset onwards of an endless stream that repeats BenchPayload(seed,
// period): what a TCP peer pushes, so that a push of a gigabyte needs only
// one period in memory, and the window's side can work out any piece of it.
// Up to one period it is BenchPayload(seed, ...) itself.
constexpr qint64 BenchStreamPeriod = (qint64(4) << 20) + 7;

inline QByteArray BenchStream(quint64 seed, qint64 offset, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    const quint64 first = seed * 0x9E3779B97F4A7C15ull + 1;
    for (qsizetype i = 0; i < size; ++i) {
        // The state BenchPayload reaches at this byte, worked out directly.
        const quint64 index = quint64((offset + i) % BenchStreamPeriod);
        quint64 z = first + (index + 1) * 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        bytes[i] = char((z ^ (z >> 31)) & 0xFF);
    }
    return bytes;
}
