// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QHostAddress>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/socket.h>

// Reads a bound UDP socket on a thread of its own. The system keeps only a
// couple of hundred small datagrams for a socket; a burst that arrives while
// the window is painting or handling the ones before would overflow that and
// lose the newest. This thread empties the socket as fast as datagrams come
// and keeps them in order until the event loop takes them in batches.
class DatagramReader
{
public:
    struct Datagram
    {
        QByteArray data;
        QHostAddress sender;
        quint16 senderPort = 0;
    };

    // ready is called on the reader's thread whenever datagrams wait and no
    // call since the last take() has said so; it must only post work to the
    // thread that takes them.
    DatagramReader(qintptr descriptor, std::function<void()> ready);
    // Stops the thread and waits for it, which is at once.
    ~DatagramReader();

    DatagramReader(const DatagramReader &) = delete;
    DatagramReader &operator=(const DatagramReader &) = delete;

    // Everything that has arrived, oldest first.
    std::deque<Datagram> take();

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

    std::mutex mutex;
    std::deque<Datagram> inbox; // guarded by mutex
    qint64 inboxBytes = 0;      // guarded by mutex
    bool announced = false;     // guarded by mutex

    std::thread thread;
};
