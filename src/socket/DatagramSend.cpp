// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DatagramSend.h"

#include <QNetworkInterface>

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// The IPv4 address an IPv4 or IPv4-mapped address stands for.
bool ipv4Of(const QHostAddress &address, quint32 &ipv4)
{
    bool isIPv4 = false;
    ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 && address.isEqual(QHostAddress(ipv4), QHostAddress::ConvertV4MappedToIPv4);
}

quint32 scopeOf(const QHostAddress &address)
{
    const QString scope = address.scopeId();
    if (scope.isEmpty())
        return 0;
    const int index = QNetworkInterface::interfaceIndexFromName(scope);
    return index > 0 ? quint32(index) : scope.toUInt();
}

} // namespace

int sendDatagram(qintptr descriptor, const QByteArray &data, const QHostAddress &address, quint16 port)
{
    sockaddr_storage own{};
    socklen_t ownLength = sizeof own;
    if (::getsockname(int(descriptor), reinterpret_cast<sockaddr *>(&own), &ownLength) != 0)
        return errno;

    sockaddr_storage to{};
    socklen_t toLength = 0;
    quint32 ipv4 = 0;
    const bool isIPv4 = ipv4Of(address, ipv4);
    if (own.ss_family == AF_INET6) {
        auto *six = reinterpret_cast<sockaddr_in6 *>(&to);
        six->sin6_family = AF_INET6;
        six->sin6_port = htons(port);
        if (isIPv4) {
            six->sin6_addr.s6_addr[10] = 0xff;
            six->sin6_addr.s6_addr[11] = 0xff;
            const quint32 network = htonl(ipv4);
            std::memcpy(&six->sin6_addr.s6_addr[12], &network, sizeof network);
        } else {
            const Q_IPV6ADDR bytes = address.toIPv6Address();
            std::memcpy(six->sin6_addr.s6_addr, bytes.c, sizeof bytes.c);
            six->sin6_scope_id = scopeOf(address);
        }
        toLength = sizeof *six;
    } else {
        if (!isIPv4)
            return EAFNOSUPPORT;
        auto *four = reinterpret_cast<sockaddr_in *>(&to);
        four->sin_family = AF_INET;
        four->sin_port = htons(port);
        four->sin_addr.s_addr = htonl(ipv4);
        toLength = sizeof *four;
    }

    ssize_t sent = 0;
    do {
        sent = ::sendto(int(descriptor), data.constData(), size_t(data.size()), 0, reinterpret_cast<sockaddr *>(&to),
                        toLength);
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? errno : 0;
}
