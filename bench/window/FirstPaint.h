// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Probes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

// Ends a start-up child once the turn of the event loop that drew its
// window's first paint is over, printing when that was and how much memory
// the child held: "painted <monotonic ns> <resident bytes>".
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget *window)
        : window(window)
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            auto *widget = qobject_cast<QWidget *>(watched);
            if (widget && widget->window() == window) {
                seen = true;
                QTimer::singleShot(0, this, [] {
                    std::printf("painted %lld %lld\n", static_cast<long long>(MonotonicNs()),
                                static_cast<long long>(ResidentBytes()));
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                });
            }
        }
        return false;
    }

private:
    QWidget *window;
    bool seen = false;
};
