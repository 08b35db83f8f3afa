// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractSocket>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

class QTcpSocket;

// Connects to whichever of a host's addresses answers first. A name often
// has several (::1 and 127.0.0.1 for localhost), and the service may listen
// on only one of them, or the packets to one may vanish on the way. Trying
// one address after another would cost a whole connect timeout for each
// silent one; instead each attempt gets a head start of `stagger` before the
// next begins alongside it, an attempt that fails starts the next at once,
// and the first to connect wins while the others are aborted.
//
// The addresses are tried in the resolver's order, its preferred one first,
// with the two families taking turns after that, so that a family whose
// packets vanish costs one head start, not one per address.
class ConnectionRace : public QObject
{
public:
    // The winner's connection; it belongs to the caller from now on.
    using Won = std::function<void(QTcpSocket *connection)>;
    // Every attempt failed; the error is the last one's.
    using Lost = std::function<void(QAbstractSocket::SocketError error, const QString &systemText)>;

    static constexpr int stagger = 250;

    // Each attempt opens on localPort, or on any port when it is 0.
    ConnectionRace(quint16 localPort, Won won, Lost lost);
    // Aborts every attempt still under way.
    ~ConnectionRace() override;

    ConnectionRace(const ConnectionRace &) = delete;
    ConnectionRace &operator=(const ConnectionRace &) = delete;

    // Starts the race; won or lost is called once, possibly before this
    // returns when an address fails at once. Neither may destroy the race.
    void start(const QList<QHostAddress> &addresses, quint16 port);

private:
    void startNext();
    void attemptFailed(QTcpSocket *attempt, QAbstractSocket::SocketError error);
    void attemptConnected(QTcpSocket *attempt);
    void drop(QTcpSocket *attempt);

    quint16 localPort = 0;
    quint16 port = 0;
    Won won;
    Lost lost;
    std::deque<QHostAddress> waiting;
    std::vector<QTcpSocket *> attempts;
    QTimer headStart;
    QAbstractSocket::SocketError lastError = QAbstractSocket::UnknownSocketError;
    QString lastErrorText;
    bool over = false;
};
