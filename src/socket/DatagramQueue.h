// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QHostAddress>

#include <atomic>
#include <deque>
#include <limits>
#include <mutex>
#include <vector>

// The datagrams read from a socket that wait for the window, oldest first,
// put in by the reader thread and taken out one by one by the event loop.
//
// Only the latest datagram is ever shown, so when the window falls behind
// the wire the oldest ones are dropped unseen, as a full receive buffer
// drops: the taker says how many may wait, so many as it shows in the time
// the box may lag, and the box catches up with the wire soon after a flood
// ends however slow each arrival's handling is. What all the queues of the
// process hold together is bounded as well, so that a window that does not
// take at all cannot make them eat the machine's memory. The newest datagram
// of a queue always stays.
class DatagramQueue
{
public:
    struct Datagram
    {
        QByteArray data;
        QHostAddress sender;
        quint16 senderPort = 0;
    };

    DatagramQueue() = default;
    ~DatagramQueue();
    DatagramQueue(const DatagramQueue &) = delete;
    DatagramQueue &operator=(const DatagramQueue &) = delete;

    // Appends the batch, emptying it. Says whether the taker must be told:
    // the first put after a takeNext() found nothing.
    bool put(std::vector<Datagram> &batch);
    // Moves the oldest datagram still worth showing into datagram; false
    // when none waits, and the next put() tells the taker again.
    bool takeNext(Datagram &datagram);
    // How many datagrams may wait, the oldest dropped beyond that; at least one.
    void keepAtMost(qint64 count);
    // Datagrams dropped unseen so far.
    qint64 dropped() const { return droppedCount.load(std::memory_order_relaxed); }

private:
    // Drops the oldest while more wait than may, or the process holds too
    // much, down to the newest one.
    void dropExcess();
    Datagram popOldest();

    std::mutex mutex;
    std::deque<Datagram> waiting; // guarded by mutex
    qint64 heldBytes = 0;         // guarded by mutex
    bool announced = false;       // guarded by mutex
    std::atomic<qint64> mostKept{std::numeric_limits<qint64>::max()};
    std::atomic<qint64> droppedCount{0};
};
