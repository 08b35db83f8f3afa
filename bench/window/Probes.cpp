// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Probes.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>

#include <sys/resource.h>
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

qint64 ProcessCpuNs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ns = [](const timeval &t) { return qint64(t.tv_sec) * 1000000000 + qint64(t.tv_usec) * 1000; };
    return ns(usage.ru_utime) + ns(usage.ru_stime);
}

qint64 KernelDatagramDrops(int port)
{
    // Columns: sl local_address rem_address st queues tr retrnsmt uid timeout
    // inode ref pointer drops; the local address ends in ":PORT" in hex.
    const QByteArray wanted = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    qint64 drops = 0;
    for (const char *table : {"/proc/net/udp", "/proc/net/udp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine();
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().simplified().split(' ');
            if (fields.size() >= 13 && fields.at(1).endsWith(wanted))
                drops += fields.last().toLongLong();
        }
    }
    return drops;
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
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
    ++posted;
}

KeyProbe::KeyProbe(QWidget *box, int everyMs)
    : box(box)
{
    box->setProperty("plainText", QString());
    box->setFocus();
    auto *scrolling = qobject_cast<QAbstractScrollArea *>(box);
    (scrolling ? scrolling->viewport() : box)->installEventFilter(this);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, this, [this] { typeNext(); });
    timer.start(everyMs);
    typeNext();
}

bool KeyProbe::eventFilter(QObject *, QEvent *event)
{
    // A paint counts once the key is in the text it draws: the caret's
    // blinking paints the box too.
    if (event->type() == QEvent::Paint && waiting && !painted && box->property("plainText").toString() == expected) {
        painted = true;
        QTimer::singleShot(0, this, [this] {
            answerNs.append(MonotonicNs() - postedAtNs);
            ++answered;
            waiting = false;
            painted = false;
        });
    }
    return false;
}

void KeyProbe::typeNext()
{
    // One key at a time: the next waits until the last was painted.
    if (waiting)
        return;
    const bool digit = posted % 2 == 0;
    const Qt::Key key = digit ? Qt::Key_5 : Qt::Key_Backspace;
    const QString text = digit ? QStringLiteral("5") : QString();
    expected = digit ? QStringLiteral("5") : QString();
    waiting = true;
    postedAtNs = MonotonicNs();
    QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
    ++posted;
}

double KeyProbe::percentileMs(double fraction) const
{
    if (answerNs.isEmpty())
        return 0;
    QList<qint64> sorted = answerNs;
    std::sort(sorted.begin(), sorted.end());
    const auto index = qsizetype(fraction * double(sorted.size() - 1) + 0.5);
    return double(sorted.at(std::clamp<qsizetype>(index, 0, sorted.size() - 1))) / 1e6;
}

double KeyProbe::medianMs() const
{
    return percentileMs(0.5);
}

double KeyProbe::slowestMs() const
{
    return percentileMs(1.0);
}
