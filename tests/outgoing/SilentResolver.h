// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// Linked into a test program, this stands in for the system's name lookup:
// a name under silentDomain is never answered, as when a name server swallows
// the query; every other name is looked up as usual.
namespace SilentResolver {

inline const QString silentDomain = QStringLiteral("never-answers.invalid");

// How many lookups of silent names have started (and hang for good).
int lookupsWaiting();

} // namespace SilentResolver
