// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DatagramQueue.h"

namespace {

// How far the window may lag behind the wire. Handling an arrival costs a
// few microseconds, so a stream the window keeps up with never waits this
// long, and a short stall of the window loses nothing; after a flood the
// box shows the last datagram this long after it came at most, plus the
// handling of one arrival.
constexpr auto longestWait = std::chrono::milliseconds(100);

// What every queue of the process together may hold, each datagram counted
// with what keeping it costs beside its bytes.
constexpr qint64 mostWaiting = 1'000'000;
constexpr qint64 mostBytesWaiting = qint64(256) << 20;
constexpr qint64 costBesideBytes = qint64(sizeof(DatagramQueue::Datagram)) + 64;

std::atomic<qint64> datagramsInProcess{0};
std::atomic<qint64> bytesInProcess{0};

qint64 heldFor(const DatagramQueue::Datagram &datagram)
{
    return datagram.data.size() + costBesideBytes;
}

bool processHoldsTooMuch()
{
    return datagramsInProcess.load(std::memory_order_relaxed) > mostWaiting
        || bytesInProcess.load(std::memory_order_relaxed) > mostBytesWaiting;
}

} // namespace

DatagramQueue::~DatagramQueue()
{
    datagramsInProcess -= qint64(waiting.size());
    bytesInProcess -= heldBytes;
}

bool DatagramQueue::put(std::vector<Datagram> &batch, Clock::time_point arrived)
{
    std::lock_guard lock(mutex);
    qint64 held = 0;
    for (Datagram &datagram : batch) {
        held += heldFor(datagram);
        waiting.push_back({std::move(datagram), arrived});
    }
    heldBytes += held;
    bytesInProcess += held;
    datagramsInProcess += qint64(batch.size());
    batch.clear();
    passOver(arrived);
    const bool tell = !announced && !waiting.empty();
    announced = announced || tell;
    return tell;
}

bool DatagramQueue::takeNext(Datagram &datagram, Clock::time_point now)
{
    std::lock_guard lock(mutex);
    passOver(now);
    if (waiting.empty()) {
        announced = false;
        return false;
    }
    datagram = popOldest();
    return true;
}

void DatagramQueue::passOver(Clock::time_point now)
{
    while (waiting.size() > 1 && (now - waiting.front().arrived > longestWait || processHoldsTooMuch()))
        dropOldest();
}

void DatagramQueue::dropOldest()
{
    popOldest();
    dropped.fetch_add(1, std::memory_order_relaxed);
}

DatagramQueue::Datagram DatagramQueue::popOldest()
{
    Datagram datagram = std::move(waiting.front().datagram);
    waiting.pop_front();
    const qint64 held = heldFor(datagram);
    heldBytes -= held;
    bytesInProcess -= held;
    --datagramsInProcess;
    return datagram;
}
