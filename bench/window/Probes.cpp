// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Probes.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

qint64 clockNs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

qint64 MonotonicNs()
{
    return clockNs(CLOCK_MONOTONIC);
}

qint64 ThreadCpuNs()
{
    return clockNs(CLOCK_THREAD_CPUTIME_ID);
}

qint64 ResidentBytes()
{
    std::FILE *statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    long long size = 0;
    long long resident = 0;
    const int read = std::fscanf(statm, "%lld %lld", &size, &resident);
    std::fclose(statm);
    return read == 2 ? resident * sysconf(_SC_PAGESIZE) : 0;
}

PaintWatch::PaintWatch(QWidget *widget)
    : QObject(widget)
{
    widget->installEventFilter(this);
}

bool PaintWatch::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        ++count;
        lastNs = MonotonicNs();
        // A filter sees the paint before it is drawn; a zero timer fires once
        // the drawing, and the rest of its turn, are done.
        QTimer::singleShot(0, this, [this] { lastDoneNs = MonotonicNs(); });
    }
    return false;
}

LoopOutcome RunLoopUntil(const std::function<bool()> &done, int timeoutMs, bool sampleMemory, int tickMs)
{
    LoopOutcome outcome;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(tickMs);
    const qint64 start = MonotonicNs();
    const qint64 intervalNs = qint64(tickMs) * 1000000;
    qint64 lastTick = start;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        const qint64 now = MonotonicNs();
        outcome.longestStallNs = std::max(outcome.longestStallNs, now - lastTick - intervalNs);
        lastTick = now;
        if (sampleMemory)
            outcome.peakResidentBytes = std::max(outcome.peakResidentBytes, ResidentBytes());
        if (done()) {
            outcome.done = true;
            loop.quit();
        } else if (now - start > qint64(timeoutMs) * 1000000) {
            loop.quit();
        }
    });
    tick.start();
    loop.exec();
    return outcome;
}

ClickProbe::ClickProbe(QList<QAbstractButton *> buttons, int everyMs)
    : buttons(std::move(buttons))
{
    for (QAbstractButton *button : this->buttons) {
        connections << QObject::connect(button, &QAbstractButton::clicked, button, [this] {
            ++answered;
            slowestNs = std::max(slowestNs, MonotonicNs() - postedAtNs);
        });
    }
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [this] { clickNext(); });
    timer.start(everyMs);
    // The first click comes with the first data, so a short run has one too.
    clickNext();
}

ClickProbe::~ClickProbe()
{
    for (const auto &connection : connections)
        QObject::disconnect(connection);
}

void ClickProbe::clickNext()
{
    // One click at a time: the next waits until the last was answered.
    if (answered < posted)
        return;
    QAbstractButton *button = buttons.at(posted % buttons.size());
    const QPointF centre = QRectF(button->rect()).center();
    const QPointF global = button->mapToGlobal(centre);
    postedAtNs = MonotonicNs();
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, centre, global,
                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    ++posted;
}
