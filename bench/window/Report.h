// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A plain-text table: scenario, figure, goal, measured, and whether the
// goal is met.
class Report
{
public:
    void add(const QString &scenario, const QString &figure, const QString &goal, const QString &measured,
             int met = -1);
    void print() const;

private:
    QList<QStringList> rows;
};

QString Fixed(double value, int decimals);
