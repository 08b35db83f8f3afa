// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DatagramReader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

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
// The rest is fitted to the pace: long enough that a batch gathers, short
// enough that the system's buffer, which may hold only a couple of hundred
// small datagrams, never fills meanwhile. A stream that starts after a quiet
// spell has no pace yet and is given the first rest again.
constexpr auto firstRest = std::chrono::microseconds(250);
constexpr auto shortestRest = std::chrono::microseconds(100);
constexpr auto longestRest = std::chrono::microseconds(4000);
constexpr int datagramsPerBatch = 64;
static_assert(longestRest < std::chrono::seconds(1), "a rest is given to ppoll in nanoseconds alone");

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
    if (wakeDescriptor >= 0) [[maybe_unused]]
        const auto written = ::write(wakeDescriptor, &one, sizeof one);
    thread.join();
    if (wakeDescriptor >= 0)
        ::close(wakeDescriptor);
}

void DatagramReader::run()
{
    using Clock = std::chrono::steady_clock;
    std::array<pollfd, 2> watched{{{descriptor, POLLIN, 0}, {wakeDescriptor, POLLIN, 0}}};
    Clock::duration rest = firstRest;
    auto lastRead = Clock::now();
    while (!stopping) {
        const auto looked = Clock::now();
        if (::poll(watched.data(), wakeDescriptor >= 0 ? 2 : 1, wakeDescriptor >= 0 ? -1 : 50) < 0 && errno != EINTR)
            return;
        if (stopping)
            return;
        if (watched[0].revents & POLLNVAL)
            return;
        if (!(watched[0].revents & (POLLIN | POLLERR)))
            continue;
        const auto now = Clock::now();
        if (now - looked > firstRest)
            rest = firstRest;
        const auto sinceLastRead = now - lastRead;
        lastRead = now;
        const int read = readAvailable();
        if (read >= datagramsPerBatch) {
            rest = shortestRest;
        } else {
            // The time a batch takes to gather at the pace just seen, and at
            // most twice the last rest, so that a pace is trusted gradually.
            const auto gathers = sinceLastRead * datagramsPerBatch / std::max(read, 1);
            rest = std::clamp<Clock::duration>(gathers, shortestRest, std::min<Clock::duration>(rest * 2, longestRest));
        }
        // The rest ends at once when the reader is told to stop.
        const timespec timeout{0, long(std::chrono::nanoseconds(rest).count())};
        ::ppoll(&watched[1], wakeDescriptor >= 0 ? 1 : 0, &timeout, nullptr);
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

        batch.clear();
        for (int i = 0; i < count; ++i) {
            Datagram datagram;
            datagram.data = QByteArray(buffer.data() + i * roomForAnyDatagram, qsizetype(messages[i].msg_len));
            nameSender(senders[i], messages[i].msg_hdr.msg_namelen, datagram);
            batch.push_back(std::move(datagram));
        }

        if (queue.put(batch))
            ready();
        if (count < datagramsPerCall)
            return read;
    }
}

void DatagramReader::nameSender(const sockaddr_storage &address, socklen_t length, Datagram &datagram)
{
    // Most datagrams come from the sender of the one before: its address is
    // shared rather than made again.
    length = std::min<socklen_t>(length, sizeof address);
    if (length != lastSenderLength || std::memcmp(&address, &lastSenderAddress, length) != 0) {
        const auto *generic = reinterpret_cast<const sockaddr *>(&address);
        lastSender = QHostAddress(generic);
        lastSenderPort = 0;
        if (generic->sa_family == AF_INET6)
            lastSenderPort = ntohs(reinterpret_cast<const sockaddr_in6 *>(&address)->sin6_port);
        else if (generic->sa_family == AF_INET)
            lastSenderPort = ntohs(reinterpret_cast<const sockaddr_in *>(&address)->sin_port);
        std::memcpy(&lastSenderAddress, &address, length);
        lastSenderLength = length;
    }
    datagram.sender = lastSender;
    datagram.senderPort = lastSenderPort;
}
