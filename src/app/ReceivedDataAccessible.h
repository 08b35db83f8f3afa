// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// What a screen reader sees of a received box, for QAccessible::installFactory.
QAccessibleInterface *createReceivedDataAccessible(const QString &className, QObject *object);
