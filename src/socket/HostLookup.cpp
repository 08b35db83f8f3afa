// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HostLookup.h"

#include <QHostInfo>
#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <mutex>
#include <thread>

struct HostLookup::Shared
{
    std::mutex mutex;
    QObject *receiver = nullptr; // null once abandoned; guarded by mutex
    Done done;                   // used on the receiver's thread only
};

HostLookup::HostLookup(const QString &name, QObject *receiver, Done done) : shared(std::make_shared<Shared>())
{
    shared->receiver = receiver;
    shared->done = std::move(done);
    std::thread([shared = shared, name] {
        const QHostInfo info = QHostInfo::fromName(name);
        QList<QHostAddress> addresses;
        if (info.error() == QHostInfo::NoError)
            addresses = info.addresses();
        std::stable_partition(addresses.begin(), addresses.end(), [](const QHostAddress &address) {
            return address.protocol() == QAbstractSocket::IPv4Protocol;
        });
        // The receiver lives as long as it has not abandoned the lookup,
        // and cannot abandon it while this is posted.
        std::lock_guard lock(shared->mutex);
        if (!shared->receiver)
            return;
        QMetaObject::invokeMethod(
            shared->receiver,
            [shared, addresses] {
                if (!shared->receiver)
                    return;
                // The answer is given once; done may end this lookup.
                const Done done = std::exchange(shared->done, {});
                if (done)
                    done(addresses);
            },
            Qt::QueuedConnection);
    }).detach();
}

HostLookup::~HostLookup()
{
    std::lock_guard lock(shared->mutex);
    shared->receiver = nullptr;
}
