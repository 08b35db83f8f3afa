// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// Where the viewer looks for a help file, in order. A bare name such as
// "Vortlane.HLP" is looked for beside the executable (a build or a portable
// copy) and then in the installed data folder; a name with a folder, or an
// absolute path, says itself where the file is.
QStringList helpFileCandidates(const QString &helpFile);
