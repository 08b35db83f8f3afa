// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Without a display Qt aborts with a long message and a core dump. Called
// before the application is created, with the plugin named by -platform (or
// nothing): prints one line saying what is missing and ends the program with
// exit code 1 instead.
void exitUnlessDisplayAvailable(const QString &platformOption);
