// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ConnectionRace.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include <algorithm>

namespace {

// The resolver's first address first, then the families in turn.
std::deque<QHostAddress> takingTurns(const QList<QHostAddress> &addresses)
{
    std::deque<QHostAddress> preferred;
    std::deque<QHostAddress> other;
    for (const QHostAddress &address : addresses)
        (address.protocol() == addresses.constFirst().protocol() ? preferred : other).push_back(address);
    std::deque<QHostAddress> order;
    while (!preferred.empty() || !other.empty()) {
        for (auto *family : {&preferred, &other}) {
            if (!family->empty()) {
                order.push_back(family->front());
                family->pop_front();
            }
        }
    }
    return order;
}

} // namespace

ConnectionRace::ConnectionRace(quint16 localPort, Won won, Lost lost)
    : localPort(localPort)
    , won(std::move(won))
    , lost(std::move(lost))
{
    headStart.setSingleShot(true);
    headStart.setInterval(stagger);
    connect(&headStart, &QTimer::timeout, this, [this] { startNext(); });
}

ConnectionRace::~ConnectionRace()
{
    over = true;
    // None of their signals is under way: the race ends from the event
    // loop, never from inside one of its own callbacks. Its children, the
    // attempts, go with it.
    for (QTcpSocket *attempt : attempts) {
        disconnect(attempt, nullptr, this, nullptr);
        attempt->abort();
    }
}

void ConnectionRace::start(const QList<QHostAddress> &addresses, quint16 remotePort)
{
    port = remotePort;
    waiting = takingTurns(addresses);
    startNext();
}

void ConnectionRace::startNext()
{
    while (!over && !waiting.empty()) {
        const QHostAddress address = waiting.front();
        waiting.pop_front();
        auto *attempt = new QTcpSocket(this);
        attempt->setProxy(QNetworkProxy::NoProxy);
        attempts.push_back(attempt);
        if (localPort != 0 && !attempt->bind(QHostAddress::Any, localPort)) {
            lastError = attempt->error();
            lastErrorText = attempt->errorString();
            drop(attempt);
            continue;
        }
        connect(attempt, &QAbstractSocket::connected, this, [this, attempt] { attemptConnected(attempt); });
        connect(attempt, &QAbstractSocket::errorOccurred, this,
                [this, attempt](QAbstractSocket::SocketError error) { attemptFailed(attempt, error); });
        headStart.start();
        // A failure known at once comes back through errorOccurred before
        // this returns, and starts the next address from there.
        attempt->connectToHost(address, port);
        return;
    }
    if (!over && attempts.empty()) {
        over = true;
        headStart.stop();
        lost(lastError, lastErrorText);
    }
}

void ConnectionRace::attemptFailed(QTcpSocket *attempt, QAbstractSocket::SocketError error)
{
    if (over || std::find(attempts.cbegin(), attempts.cend(), attempt) == attempts.cend())
        return;
    lastError = error;
    lastErrorText = attempt->errorString();
    drop(attempt);
    // The next address need not wait out the head start of one that failed.
    startNext();
}

void ConnectionRace::attemptConnected(QTcpSocket *attempt)
{
    if (over)
        return;
    over = true;
    headStart.stop();
    std::erase(attempts, attempt);
    disconnect(attempt, nullptr, this, nullptr);
    while (!attempts.empty())
        drop(attempts.back());
    won(attempt);
}

// Deleted from the event loop: one of its signals may be on the stack below.
void ConnectionRace::drop(QTcpSocket *attempt)
{
    std::erase(attempts, attempt);
    disconnect(attempt, nullptr, this, nullptr);
    attempt->abort();
    attempt->deleteLater();
}
