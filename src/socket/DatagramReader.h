// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "DatagramQueue.h"

#include <QHostAddress>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include <sys/socket.h>

// Reads a bound UDP socket on a thread of its own. The system keeps only a
// couple of hundred small datagrams for a socket; a burst that arrives while
// the window is painting or handling the ones before would overflow that and
// lose the newest. This thread empties the socket as fast as datagrams come
// and keeps them in order (see DatagramQueue for what it keeps) until the
// event loop takes them.
class DatagramReader
{
public:
    using Datagram = DatagramQueue::Datagram;

    // ready is called on the reader's thread when datagrams wait and the
    // last takeNext() found none; it must only post work to the thread that
    // takes them.
    DatagramReader(qintptr descriptor, std::function<void()> ready);
    // Stops the thread and waits for it, which is at once.
    ~DatagramReader();

    DatagramReader(const DatagramReader &) = delete;
    DatagramReader &operator=(const DatagramReader &) = delete;

    // The oldest datagram still worth showing; false when none waits.
    bool takeNext(Datagram &datagram) { return queue.takeNext(datagram); }
    // See DatagramQueue.
    void keepAtMost(qint64 count) { queue.keepAtMost(count); }
    qint64 dropped() const { return queue.dropped(); }

private:
    void run();
    // Empties the socket; gives how many datagrams it read.
    int readAvailable();
    void nameSender(const sockaddr_storage &address, socklen_t length, Datagram &datagram);

    const int descriptor;
    const int wakeDescriptor;
    std::function<void()> ready;
    // The reader thread's own.
    std::vector<char> buffer;
    std::vector<Datagram> batch;
    sockaddr_storage lastSenderAddress{};
    socklen_t lastSenderLength = 0;
    QHostAddress lastSender;
    quint16 lastSenderPort = 0;
    std::atomic<bool> stopping{false};

    DatagramQueue queue;
    std::thread thread;
};
