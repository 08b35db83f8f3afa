// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Peer.h"

#include "Payload.h"

#include <QList>

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int connectedSocket(int type, int port)
{
    const int fd = socket(AF_INET, type, 0);
    const sockaddr_in address = loopback(port);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "peer: cannot reach 127.0.0.1:%d: %s\n", port, std::strerror(errno));
        std::exit(2);
    }
    return fd;
}

void announce(const char *line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

void awaitGo()
{
    char line[64];
    if (!std::fgets(line, sizeof line, stdin))
        std::exit(0);
}

void awaitEndOfInput()
{
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
    }
}

long long nanoseconds(const timespec &t)
{
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

long long nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return nanoseconds(t);
}

timespec plusNanoseconds(timespec t, long long nanoseconds)
{
    nanoseconds += t.tv_nsec;
    t.tv_sec += time_t(nanoseconds / 1000000000);
    t.tv_nsec = long(nanoseconds % 1000000000);
    return t;
}

int sendDatagrams(int port, int count, int rate, int size)
{
    // Made before the first is sent, so making them never holds the pace up.
    QList<QByteArray> datagrams;
    datagrams.reserve(count);
    for (int i = 0; i < count; ++i)
        datagrams.append(BenchPayload(quint64(i), size));
    const int fd = connectedSocket(SOCK_DGRAM, port);
    announce("ready");
    awaitGo();

    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const long long startNs = nanoseconds(start);
    const long long interval = rate > 0 ? 1000000000LL / rate : 0;
    int failed = 0;
    long long lastNs = startNs;
    // Datagrams whose moment has come go out together, in one call, as a
    // fast sender sends them.
    constexpr int mostPerCall = 64;
    std::array<iovec, mostPerCall> pieces{};
    std::array<mmsghdr, mostPerCall> messages{};
    for (int i = 0; i < count;) {
        // Each datagram has its own moment; one late does not push the rest
        // back. Only a sender ahead of its pace sleeps, so that at hundreds
        // of thousands a second the pace is kept on average.
        const timespec due = plusNanoseconds(start, interval * i);
        if (nanoseconds(due) - nowNs() > 20000)
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
        const long long now = nowNs();
        int batch = 0;
        while (batch < mostPerCall && i + batch < count && (batch == 0 || startNs + interval * (i + batch) <= now)) {
            const QByteArray &datagram = datagrams.at(i + batch);
            pieces[batch] = {const_cast<char *>(datagram.constData()), size_t(datagram.size())};
            messages[batch] = {};
            messages[batch].msg_hdr.msg_iov = &pieces[batch];
            messages[batch].msg_hdr.msg_iovlen = 1;
            ++batch;
        }
        const int accepted = sendmmsg(fd, messages.data(), unsigned(batch), 0);
        // A datagram the system refuses is counted and skipped.
        const int taken = accepted > 0 ? accepted : 1;
        if (accepted <= 0)
            ++failed;
        i += taken;
        lastNs = nowNs();
    }
    std::printf("sent %d failed %d first %lld last %lld\n", count - failed, failed, startNs, lastNs);
    std::fflush(stdout);
    awaitEndOfInput();
    close(fd);
    return 0;
}

int sendStream(int port, qint64 bytes)
{
    // One period of the stream, sent over and over.
    const QByteArray data = BenchPayload(7, std::min(bytes, BenchStreamPeriod));
    const int fd = connectedSocket(SOCK_STREAM, port);
    announce("ready");
    awaitGo();
    qint64 written = 0;
    while (written < bytes) {
        const qint64 at = written % BenchStreamPeriod;
        const qint64 piece = std::min({bytes - written, qint64(1) << 16, qint64(data.size()) - at});
        const ssize_t n = write(fd, data.constData() + at, size_t(piece));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "peer: write failed: %s\n", std::strerror(errno));
            return 2;
        }
        written += n;
    }
    const long long lastWriteNs = nowNs();
    // "sent" means the receiving side holds every byte, not just this one.
    for (int waited = 0; waited < 10000; ++waited) {
        int unsent = 0;
        if (ioctl(fd, SIOCOUTQ, &unsent) != 0 || unsent == 0)
            break;
        usleep(1000);
    }
    // With the moment the last write was taken, on the clock both sides share.
    std::printf("sent last-write %lld\n", lastWriteNs);
    std::fflush(stdout);
    awaitEndOfInput();
    close(fd);
    return 0;
}

// One datagram from each of count sockets of their own, so from count ports,
// back to back. Then, for each line "check" on standard input, it prints
// "answered" and the numbers of the sockets that have received anything
// since, with what each received.
int sendFromManyPorts(int port, int count, int size)
{
    QList<int> sockets;
    QList<QByteArray> datagrams;
    for (int i = 0; i < count; ++i) {
        sockets.append(connectedSocket(SOCK_DGRAM, port));
        datagrams.append(BenchPayload(quint64(i), size));
    }
    announce("ready");
    awaitGo();
    const long long firstNs = nowNs();
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        if (send(sockets.at(i), datagrams.at(i).constData(), size_t(size), 0) < 0)
            ++failed;
    }
    std::printf("sent %d failed %d first %lld last %lld\n", count - failed, failed, firstNs, nowNs());
    std::fflush(stdout);

    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        std::printf("answered");
        for (int i = 0; i < count; ++i) {
            char received[2048];
            ssize_t n;
            while ((n = recv(sockets.at(i), received, sizeof received - 1, MSG_DONTWAIT)) >= 0) {
                received[n] = 0;
                std::printf(" %d:%s", i, received);
            }
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    for (int fd : sockets)
        close(fd);
    return 0;
}

} // namespace

bool IsPeerMode(int argc, char **argv)
{
    return argc > 1 && std::strncmp(argv[1], "--peer-", 7) == 0;
}

int RunPeer(int argc, char **argv)
{
    const auto number = [&](int index) { return index < argc ? std::atoll(argv[index]) : 0; };
    if (std::strcmp(argv[1], "--peer-udp") == 0 && argc == 6)
        return sendDatagrams(int(number(2)), int(number(3)), int(number(4)), int(number(5)));
    if (std::strcmp(argv[1], "--peer-udp-ports") == 0 && argc == 5)
        return sendFromManyPorts(int(number(2)), int(number(3)), int(number(4)));
    if (std::strcmp(argv[1], "--peer-tcp") == 0 && argc == 4)
        return sendStream(int(number(2)), number(3));
    std::fprintf(stderr, "peer: unknown arguments\n");
    return 2;
}
