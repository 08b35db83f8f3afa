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
//
// A lookup cannot be stopped once the system has it, so the whole process
// runs at most maxThreads of them at a time, however often the user asks
// again while the resolver hangs: a request for a name already being looked
// up shares that answer, and any other waits for a thread to come free. An
// abandoned request that has not started yet is simply forgotten.
class HostLookup
{
public:
    // The addresses in the order the resolver gives them, its preferred one
    // first; empty when the name was not found.
    using Done = std::function<void(const QList<QHostAddress> &addresses)>;

    // One lookup may hang on a name server that swallowed the query while a
    // newer one, for a name typed again correctly, still gets an answer.
    static constexpr int maxThreads = 2;

    // done runs later, from the event loop of receiver's thread.
    HostLookup(const QString &name, QObject *receiver, Done done);
    ~HostLookup();

    HostLookup(const HostLookup &) = delete;
    HostLookup &operator=(const HostLookup &) = delete;

    struct Request;

private:
    std::shared_ptr<Request> request;
};
