// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DatagramReader.h"

#include <array>
#include <cerrno>
#include <chrono>

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Room for any datagram, IPv4 (65,507 bytes) or IPv6 (65,527).
constexpr size_t roomForAnyDatagram = 65536;

// Datagrams taken from the system in one call.
constexpr int datagramsPerCall = 16;

// After emptying the socket the thread rests before it looks again, so that
// a steady stream is read many datagrams per wake-up rather than one: each
// wake-up of this thread and of the window costs more than a datagram does.
// A flood, which would fill the system's buffer during a long rest, is
// looked at again soon.
constexpr auto restAfterTrickle = std::chrono::microseconds(1000);
constexpr auto restInFlood = std::chrono::microseconds(100);
constexpr int floodPerRead = 64;

// What may wait unread before the newest datagrams are thrown away: a flood
// must not take all the machine's memory while the window catches up.
constexpr size_t mostWaiting = 1'000'000;
constexpr qint64 mostBytesWaiting = qint64(256) << 20;

// The system's receive buffer asked for; it grants up to its own limit.
constexpr int receiveBufferWanted = 4 << 20;

} // namespace

DatagramReader::DatagramReader(qintptr socketDescriptor, std::function<void()> whenReady)
    : descriptor(int(socketDescriptor))
    , wakeDescriptor(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    , ready(std::move(whenReady))
    , buffer(roomForAnyDatagram * datagramsPerCall)
{
    const int wanted = receiveBufferWanted;
    ::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
    thread = std::thread([this] { run(); });
}

DatagramReader::~DatagramReader()
{
    stopping = true;
    const quint64 one = 1;
    if (wakeDescriptor >= 0)
        [[maybe_unused]] const auto written = ::write(wakeDescriptor, &one, sizeof one);
    thread.join();
    if (wakeDescriptor >= 0)
        ::close(wakeDescriptor);
}

std::deque<DatagramReader::Datagram> DatagramReader::take()
{
    std::lock_guard lock(mutex);
    announced = false;
    inboxBytes = 0;
    return std::exchange(inbox, {});
}

void DatagramReader::run()
{
    std::array<pollfd, 2> watched{{{descriptor, POLLIN, 0}, {wakeDescriptor, POLLIN, 0}}};
    while (!stopping) {
        if (::poll(watched.data(), wakeDescriptor >= 0 ? 2 : 1, wakeDescriptor >= 0 ? -1 : 50) < 0 && errno != EINTR)
            return;
        if (stopping)
            return;
        if (watched[0].revents & POLLNVAL)
            return;
        if (watched[0].revents & (POLLIN | POLLERR))
            std::this_thread::sleep_for(readAvailable() >= floodPerRead ? restInFlood : restAfterTrickle);
    }
}

int DatagramReader::readAvailable()
{
    std::array<sockaddr_storage, datagramsPerCall> senders{};
    std::array<iovec, datagramsPerCall> pieces{};
    std::array<mmsghdr, datagramsPerCall> messages{};

    int read = 0;
    for (;;) {
        for (int i = 0; i < datagramsPerCall; ++i) {
            pieces[i] = {buffer.data() + i * roomForAnyDatagram, roomForAnyDatagram};
            messages[i] = {};
            messages[i].msg_hdr.msg_name = &senders[i];
            messages[i].msg_hdr.msg_namelen = sizeof senders[i];
            messages[i].msg_hdr.msg_iov = &pieces[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const int count = ::recvmmsg(descriptor, messages.data(), datagramsPerCall, MSG_DONTWAIT, nullptr);
        if (count < 0) {
            // A refusal that an earlier send drew back is no datagram; try on.
            if (errno == ECONNREFUSED || errno == EINTR)
                continue;
            return read;
        }
        if (count == 0)
            return read;
        read += count;

        std::deque<Datagram> batch;
        for (int i = 0; i < count; ++i) {
            Datagram datagram;
            datagram.data = QByteArray(buffer.data() + i * roomForAnyDatagram, qsizetype(messages[i].msg_len));
            const auto *address = reinterpret_cast<const sockaddr *>(&senders[i]);
            datagram.sender = QHostAddress(address);
            if (address->sa_family == AF_INET6)
                datagram.senderPort = ntohs(reinterpret_cast<const sockaddr_in6 *>(address)->sin6_port);
            else if (address->sa_family == AF_INET)
                datagram.senderPort = ntohs(reinterpret_cast<const sockaddr_in *>(address)->sin_port);
            batch.push_back(std::move(datagram));
        }

        bool tell = false;
        {
            std::lock_guard lock(mutex);
            for (Datagram &datagram : batch) {
                if (inbox.size() >= mostWaiting || inboxBytes >= mostBytesWaiting)
                    continue;
                inboxBytes += datagram.data.size();
                inbox.push_back(std::move(datagram));
            }
            tell = !announced && !inbox.empty();
            announced = announced || tell;
        }
        if (tell)
            ready();
        if (count < datagramsPerCall)
            return read;
    }
}
