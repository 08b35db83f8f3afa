// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// Linked into a test program, this stands in for the system's name lookup:
// a name under silentDomain is not answered, as when a name server swallows
// the query, until the test lets the resolver give up; a name the test gave
// addresses to resolves to those, in that order; every other name is looked
// up as usual.
namespace SilentResolver {

inline const QString silentDomain = QStringLiteral("never-answers.invalid");

// How many lookups of silent names are waiting now.
int lookupsWaiting();

// Every lookup waiting now fails, as it does when the resolver gives up.
void giveUp();

// From now on name resolves to addresses, in their order.
void answer(const QString &name, const QList<QHostAddress> &addresses);

} // namespace SilentResolver
