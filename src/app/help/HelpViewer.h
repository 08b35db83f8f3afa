// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

// Commands of ShowHelp.
constexpr int HELP_QUIT = 2;    // the owner no longer needs the file: close its viewer
constexpr int HELP_FINDER = 11; // open the file at its topics finder

// Asks the program's help viewer to act on a help file. The file name has no
// directory: the viewer looks beside the executable, then in the installed
// data folder. A missing or unreadable file is reported in the viewer's own
// window. Returns whether the command was carried out; callers may ignore it.
bool ShowHelp(QWidget *owner, const QString &helpFile, int command, quintptr data);
