// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QHostAddress>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <vector>

// The datagrams read from a socket that wait for the window, oldest first,
// put in by the reader thread and taken out one by one by the event loop.
//
// Only the latest datagram is ever shown, so when the window falls behind
// the wire the oldest ones are passed over, as a full receive buffer would
// drop them: one that has waited longer than the window may lag, with a
// newer one behind it, is dropped unseen, and the box catches up with the
// wire soon after a flood ends however slow each arrival's handling is. What
// all the queues of the process hold together is bounded as well, so that a
// window that does not take at all cannot make them eat the machine's memory.
// The newest datagram of a queue always stays.
class DatagramQueue
{
public:
    using Clock = std::chrono::steady_clock;

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

    // Appends the batch, which arrived at the given moment, emptying it. Says
    // whether the taker must be told: the first put after a takeNext() found
    // nothing.
    bool put(std::vector<Datagram> &batch, Clock::time_point arrived);
    // Moves the oldest datagram still worth showing into datagram; false
    // when none waits, and the next put() tells the taker again.
    bool takeNext(Datagram &datagram, Clock::time_point now = Clock::now());
    // Datagrams dropped unseen so far.
    qint64 passedOver() const { return dropped.load(std::memory_order_relaxed); }

private:
    struct Waiting
    {
        Datagram datagram;
        Clock::time_point arrived;
    };
    // Drops the oldest while they are too old or the process holds too much,
    // down to the newest one.
    void passOver(Clock::time_point now);
    void dropOldest();
    Datagram popOldest();

    std::mutex mutex;
    std::deque<Waiting> waiting; // guarded by mutex
    qint64 heldBytes = 0;        // guarded by mutex
    bool announced = false;      // guarded by mutex
    std::atomic<qint64> dropped{0};
};
