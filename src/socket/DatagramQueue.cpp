// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DatagramQueue.h"

#include <algorithm>

namespace {

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

bool DatagramQueue::put(std::vector<Datagram> &batch)
{
    std::lock_guard lock(mutex);
    qint64 held = 0;
    for (Datagram &datagram : batch) {
        held += heldFor(datagram);
        waiting.push_back(std::move(datagram));
    }
    heldBytes += held;
    bytesInProcess += held;
    datagramsInProcess += qint64(batch.size());
    batch.clear();
    dropExcess();
    const bool tell = !announced && !waiting.empty();
    announced = announced || tell;
    return tell;
}

bool DatagramQueue::takeNext(Datagram &datagram)
{
    std::lock_guard lock(mutex);
    dropExcess();
    if (waiting.empty()) {
        announced = false;
        return false;
    }
    datagram = popOldest();
    return true;
}

void DatagramQueue::keepAtMost(qint64 count)
{
    mostKept.store(std::max<qint64>(count, 1), std::memory_order_relaxed);
}

void DatagramQueue::dropExcess()
{
    const auto most = size_t(mostKept.load(std::memory_order_relaxed));
    while (waiting.size() > 1 && (waiting.size() > most || processHoldsTooMuch())) {
        popOldest();
        droppedCount.fetch_add(1, std::memory_order_relaxed);
    }
}

DatagramQueue::Datagram DatagramQueue::popOldest()
{
    Datagram datagram = std::move(waiting.front());
    waiting.pop_front();
    const qint64 held = heldFor(datagram);
    heldBytes -= held;
    bytesInProcess -= held;
    --datagramsInProcess;
    return datagram;
}
