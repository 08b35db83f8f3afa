// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QString>

// Start-up is measured in fresh processes: this program run again with
// --startup builds the main window as the program's main() does, shows it,
// and reports when its first paint is done and how much memory it holds.
bool IsStartUpChild(int argc, char **argv);
int RunStartUpChild(int argc, char **argv);

struct StartUpFigures
{
    QString display; // "Xvfb" or "offscreen"
    QList<double> msToPainted;
    double medianMs = 0;
    double residentMiB = 0;         // the child's, at its first paint
    double programResidentMiB = -1; // vortlane itself, a second after launch
    // A plain Qt window with the same widgets, started the same way in turn
    // with ours (empty when vortlane_bench_bare was not built).
    QList<double> bareMsToPainted;
    double bareMedianMs = 0;
    double bareResidentMiB = 0;
    // The same plain window with Qt Network loaded too (empty when
    // vortlane_bench_bare_network was not built).
    QList<double> bareNetworkMsToPainted;
    double bareNetworkMedianMs = 0;
};
StartUpFigures MeasureStartUp(int runs);
