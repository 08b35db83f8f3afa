// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SilentResolver.h"

#include <QHash>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>

namespace {

// Never destroyed: a lookup may still wait on it while the program ends.
struct Resolver
{
    std::mutex mutex;
    std::condition_variable gaveUp;
    int waiting = 0;
    int givingUps = 0;
    QHash<QByteArray, QList<QHostAddress>> answers;
};

Resolver &resolver()
{
    static Resolver *const instance = new Resolver;
    return *instance;
}

bool isSilent(const QByteArray &name)
{
    static const QByteArray suffix = '.' + SilentResolver::silentDomain.toLatin1();
    return name.endsWith(suffix);
}

// One result, in one block as the C library allocates its own, so that its
// freeaddrinfo frees ours too.
addrinfo *resultFor(const QHostAddress &address, const addrinfo *hints)
{
    const bool isIPv4 = address.protocol() == QAbstractSocket::IPv4Protocol;
    const int family = isIPv4 ? AF_INET : AF_INET6;
    if (hints && hints->ai_family != AF_UNSPEC && hints->ai_family != family)
        return nullptr;
    auto *block = static_cast<char *>(std::calloc(1, sizeof(addrinfo) + sizeof(sockaddr_in6)));
    auto *result = reinterpret_cast<addrinfo *>(block);
    result->ai_family = family;
    result->ai_socktype = hints && hints->ai_socktype ? hints->ai_socktype : SOCK_STREAM;
    result->ai_protocol = hints ? hints->ai_protocol : 0;
    result->ai_addr = reinterpret_cast<sockaddr *>(block + sizeof(addrinfo));
    if (isIPv4) {
        auto *four = reinterpret_cast<sockaddr_in *>(result->ai_addr);
        four->sin_family = AF_INET;
        four->sin_addr.s_addr = htonl(address.toIPv4Address());
        result->ai_addrlen = sizeof(sockaddr_in);
    } else {
        auto *six = reinterpret_cast<sockaddr_in6 *>(result->ai_addr);
        six->sin6_family = AF_INET6;
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(six->sin6_addr.s6_addr, bytes.c, sizeof bytes.c);
        result->ai_addrlen = sizeof(sockaddr_in6);
    }
    return result;
}

} // namespace

int SilentResolver::lookupsWaiting()
{
    std::lock_guard lock(resolver().mutex);
    return resolver().waiting;
}

void SilentResolver::giveUp()
{
    std::lock_guard lock(resolver().mutex);
    ++resolver().givingUps;
    resolver().gaveUp.notify_all();
}

void SilentResolver::answer(const QString &name, const QList<QHostAddress> &addresses)
{
    std::lock_guard lock(resolver().mutex);
    resolver().answers.insert(name.toLower().toLatin1(), addresses);
}

// Takes the place of the C library's getaddrinfo for the whole program, the
// network library's lookups included: the program defines it, so the dynamic
// linker finds this one first.
extern "C" int getaddrinfo(const char *node, const char *service, const addrinfo *hints, addrinfo **result)
{
    const QByteArray name = QByteArray(node).toLower();
    if (isSilent(name)) {
        Resolver &silent = resolver();
        std::unique_lock lock(silent.mutex);
        ++silent.waiting;
        const int before = silent.givingUps;
        silent.gaveUp.wait(lock, [&] { return silent.givingUps != before; });
        --silent.waiting;
        return EAI_AGAIN;
    }
    QList<QHostAddress> addresses;
    {
        std::lock_guard lock(resolver().mutex);
        addresses = resolver().answers.value(name);
    }
    if (!addresses.isEmpty()) {
        addrinfo **tail = result;
        *result = nullptr;
        for (const QHostAddress &address : std::as_const(addresses)) {
            if (addrinfo *one = resultFor(address, hints)) {
                *tail = one;
                tail = &one->ai_next;
            }
        }
        return *result ? 0 : EAI_NONAME;
    }
    using Lookup = int (*)(const char *, const char *, const addrinfo *, addrinfo **);
    static const auto system = reinterpret_cast<Lookup>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    return system(node, service, hints, result);
}
