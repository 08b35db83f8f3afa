// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HelpLocation.h"

#include <QCoreApplication>
#include <QDir>

QStringList helpFileCandidates(const QString &helpFile)
{
    const QString name = QDir::fromNativeSeparators(helpFile);
    if (name.contains(u'/') || QDir::isAbsolutePath(name))
        return {name};

    QStringList candidates{QDir(QCoreApplication::applicationDirPath()).filePath(name)};
#ifdef VORTLANE_DATA_DIR
    const QString installed = QDir(QStringLiteral(VORTLANE_DATA_DIR)).filePath(name);
    if (!candidates.contains(installed))
        candidates.append(installed);
#endif
    return candidates;
}
