// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Report.h"

#include <algorithm>
#include <cstdio>

void Report::add(const QString &scenario, const QString &figure, const QString &goal, const QString &measured, int met)
{
    rows.append({scenario, figure, goal, measured,
                 met < 0 ? QString()
                 : met   ? QStringLiteral("yes")
                         : QStringLiteral("NO")});
}

void Report::print() const
{
    const QStringList heading{QStringLiteral("Scenario"), QStringLiteral("Figure"), QStringLiteral("Goal"),
                              QStringLiteral("Measured"), QStringLiteral("Met")};
    QList<qsizetype> widths(heading.size(), 0);
    for (const QStringList &row : rows + QList<QStringList>{heading})
        for (qsizetype column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row.at(column).size());
    const auto line = [&](const QStringList &row) {
        QString text = QStringLiteral("|");
        for (qsizetype column = 0; column < row.size(); ++column)
            text += u' ' + row.at(column).leftJustified(widths[column]) + QStringLiteral(" |");
        std::printf("%s\n", qPrintable(text));
    };
    line(heading);
    QStringList rule;
    for (qsizetype width : widths)
        rule << QString(width, u'-');
    line(rule);
    for (const QStringList &row : rows)
        line(row);
    std::fflush(stdout);
}

QString Fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}
