// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QObject;

// Looks a host name up on a thread that nobody waits for. A resolver that
// never answers would otherwise hold the program for many seconds after its
// window has closed, since the network library waits for its own lookups
// before the process may end. Destroying the lookup abandons it: its answer,
// whenever it comes, is dropped.
class HostLookup
{
public:
    // The addresses, IPv4 first where the name has both (an IPv4 address
    // reaches receivers bound to IPv4 only as well); empty when the name was
    // not found.
    using Done = std::function<void(const QList<QHostAddress> &addresses)>;

    // done runs later, from the event loop of receiver's thread.
    HostLookup(const QString &name, QObject *receiver, Done done);
    ~HostLookup();

    HostLookup(const HostLookup &) = delete;
    HostLookup &operator=(const HostLookup &) = delete;

private:
    struct Shared;
    std::shared_ptr<Shared> shared;
};
