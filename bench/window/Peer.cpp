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
    const long long interval = 1000000000LL / rate;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        // Each datagram has its own moment; one late does not push the rest back.
        const timespec due = plusNanoseconds(start, interval * i);
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
        const QByteArray &datagram = datagrams.at(i);
        if (send(fd, datagram.constData(), size_t(datagram.size()), 0) < 0)
            ++failed;
    }
    std::printf("sent %d failed %d\n", count - failed, failed);
    std::fflush(stdout);
    awaitEndOfInput();
    close(fd);
    return 0;
}

int sendStream(int port, qint64 bytes)
{
    const QByteArray data = BenchPayload(7, bytes);
    const int fd = connectedSocket(SOCK_STREAM, port);
    announce("ready");
    awaitGo();
    qint64 written = 0;
    while (written < bytes) {
        const ssize_t n = write(fd, data.constData() + written, size_t(std::min<qint64>(bytes - written, 1 << 16)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "peer: write failed: %s\n", std::strerror(errno));
            return 2;
        }
        written += n;
    }
    // "sent" means the receiving side holds every byte, not just this one.
    for (int waited = 0; waited < 10000; ++waited) {
        int unsent = 0;
        if (ioctl(fd, SIOCOUTQ, &unsent) != 0 || unsent == 0)
            break;
        usleep(1000);
    }
    announce("sent");
    awaitEndOfInput();
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
    if (std::strcmp(argv[1], "--peer-tcp") == 0 && argc == 4)
        return sendStream(int(number(2)), number(3));
    std::fprintf(stderr, "peer: unknown arguments\n");
    return 2;
}
