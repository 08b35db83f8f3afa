// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HostLookup.h"

#include <QHostInfo>
#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <deque>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

struct HostLookup::Request
{
    QString name;
    QObject *receiver = nullptr; // null once abandoned; written under the lookups' mutex
    Done done;                   // used on the receiver's thread only
};

namespace {

using Request = HostLookup::Request;

// One name on its way through the system's resolver, and everyone still
// waiting for its answer.
struct Job
{
    QString name;
    std::vector<std::shared_ptr<Request>> requests;
};

class Lookups
{
public:
    // Never destroyed: a thread still inside the resolver as the process
    // ends may come back to it.
    static Lookups &instance()
    {
        static Lookups *const lookups = new Lookups;
        return *lookups;
    }

    void submit(const std::shared_ptr<Request> &request)
    {
        std::lock_guard lock(mutex);
        const auto same = std::find_if(running.begin(), running.end(),
                                       [&request](const auto &job) { return job->name == request->name; });
        if (same != running.end()) {
            (*same)->requests.push_back(request);
            return;
        }
        if (threads < HostLookup::maxThreads) {
            auto job = std::make_shared<Job>(Job{request->name, {request}});
            running.push_back(job);
            ++threads;
            try {
                std::thread([this, job] { work(job); }).detach();
                return;
            } catch (const std::system_error &) {
                // No thread to be had: the request waits for one to end.
                running.pop_back();
                --threads;
            }
        }
        waiting.push_back(request);
    }

    void abandon(const std::shared_ptr<Request> &request)
    {
        std::lock_guard lock(mutex);
        request->receiver = nullptr;
        std::erase(waiting, request);
        for (const auto &job : running)
            std::erase(job->requests, request);
    }

private:
    // Looks names up until no request waits any more.
    void work(std::shared_ptr<Job> job)
    {
        for (;;) {
            const QHostInfo info = QHostInfo::fromName(job->name);
            QList<QHostAddress> addresses;
            if (info.error() == QHostInfo::NoError)
                addresses = info.addresses();

            std::lock_guard lock(mutex);
            for (const auto &request : job->requests)
                answer(request, addresses);
            running.remove(job);
            if (waiting.empty()) {
                --threads;
                return;
            }
            // The oldest request still wanted goes next, with every other
            // one for the same name.
            job = std::make_shared<Job>(Job{waiting.front()->name, {}});
            std::erase_if(waiting, [&job](const auto &request) {
                if (request->name != job->name)
                    return false;
                job->requests.push_back(request);
                return true;
            });
            running.push_back(job);
        }
    }

    // Called with the mutex held: the receiver lives as long as it has not
    // abandoned its request, and cannot abandon it while this is posted.
    static void answer(const std::shared_ptr<Request> &request, const QList<QHostAddress> &addresses)
    {
        if (!request->receiver)
            return;
        QMetaObject::invokeMethod(
            request->receiver,
            [request, addresses] {
                if (!request->receiver)
                    return;
                // The answer is given once; done may end this lookup.
                const HostLookup::Done done = std::exchange(request->done, {});
                if (done)
                    done(addresses);
            },
            Qt::QueuedConnection);
    }

    std::mutex mutex;
    std::list<std::shared_ptr<Job>> running;
    std::deque<std::shared_ptr<Request>> waiting;
    int threads = 0;
};

} // namespace

HostLookup::HostLookup(const QString &name, QObject *receiver, Done done)
    : request(std::make_shared<Request>())
{
    request->name = name;
    request->receiver = receiver;
    request->done = std::move(done);
    Lookups::instance().submit(request);
}

HostLookup::~HostLookup()
{
    Lookups::instance().abandon(request);
}
