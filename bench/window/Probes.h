// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class QAbstractButton;
class QWidget;

// Clocks and gauges of this process, read on the window's thread.
qint64 MonotonicNs();
qint64 ThreadCpuNs();
// All the process's threads together, the socket's reader among them.
qint64 ProcessCpuNs();
qint64 ResidentBytes();
// Datagrams the system threw away for want of room in the receive buffer of
// the UDP socket bound to this port.
qint64 KernelDatagramDrops(int port);

// Counts the paints a widget receives, and when the turn of the event loop
// that drew the last one was over.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *widget);

    int count = 0;
    qint64 lastNs = 0;
    qint64 lastDoneNs = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// Runs the event loop until done() holds or the time is up. It looks every
// tickMs on a timer, and that timer is also the gauge of the loop: how much
// later than due a tick comes is how long the window could not start
// anything new, a click included. Each tick costs the thread a wake-up, so
// where CPU time is measured the ticks are sparse.
struct LoopOutcome
{
    bool done = false;
    qint64 longestStallNs = 0;
    qint64 peakResidentBytes = 0;
};
LoopOutcome RunLoopUntil(const std::function<bool()> &done, int timeoutMs, bool sampleMemory = false, int tickMs = 2);

// Clicks buttons now and then as a user's clicks come, through the event
// queue behind everything already waiting, and times each until the button
// answers.
class ClickProbe
{
public:
    ClickProbe(QList<QAbstractButton *> buttons, int everyMs);
    ~ClickProbe();

    int posted = 0;
    int answered = 0;
    qint64 slowestNs = 0;

private:
    void clickNext();

    QList<QAbstractButton *> buttons;
    QList<QMetaObject::Connection> connections;
    QTimer timer;
    qint64 postedAtNs = 0;
};

// Types into a transmit box now and then as a user types, through the event
// queue behind everything already waiting, and times each key until the box
// has been painted with it: a digit, then Backspace, so the text stays short.
class KeyProbe : public QObject
{
public:
    KeyProbe(QWidget *box, int everyMs);

    int posted = 0;
    int answered = 0;
    QList<qint64> answerNs;

    double slowestMs() const;
    double medianMs() const;
    double percentileMs(double fraction) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void typeNext();

    QWidget *box;
    QTimer timer;
    QString expected;
    bool waiting = false;
    bool painted = false;
    qint64 postedAtNs = 0;
};
