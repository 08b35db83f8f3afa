// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "formats/DataFormat.h"

#include <QByteArray>
#include <QString>

// The same arrival on every run: bytes of every value in a fixed random
// order, so Decimal sees numbers of one, two and three digits mixed as in
// binary data, and String sees the odd line byte.
QByteArray ArrivalBytes(qsizetype size);

// The text a user would type to send those bytes again: their rendering in
// the format, as pasted from a received box.
QString TypedTextFor(const QByteArray &bytes, DataFormat format);
