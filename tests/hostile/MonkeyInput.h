// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// What a random user types and what random peers send, drawn from one seeded
// generator so that a seed gives the same inputs again.
class MonkeyInput
{
public:
    explicit MonkeyInput(quint32 seed)
        : random(seed)
    {}

    int below(int bound) { return int(random.bounded(quint32(bound))); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T>
    const T &pick(const QList<T> &choices)
    {
        return choices.at(below(int(choices.size())));
    }

    // Text for a transmit box or any other box: numbers in the Decimal and
    // Hex shapes, stray spaces, letters from any script, control characters,
    // and now and then a very long text.
    QString anyText();

    // The only host texts the monkey ever types: each one is a loopback
    // address or the name of one, so nothing it does leaves the machine.
    static const QStringList &loopbackHosts();

    // A port text: one of the given ports, 0 (any port to listen on, none to
    // reach), or a text that is out of range or no number at all. No other
    // port number is ever typed, so no connection or datagram can reach a
    // program outside this test.
    QString portText(const QList<quint16> &ownPorts);

    QByteArray anyBytes();

private:
    QString numbers(int base);
    QString characters(int count);

    QRandomGenerator random;
};
