// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// "1\n2\n...\ncount": as many short lines as asked for, each told apart
// from the others by its number.
inline QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QString::number(i);
    return lines.join(u'\n');
}
