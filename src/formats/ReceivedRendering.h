// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "DataFormat.h"

#include <QByteArray>
#include <QString>

// The text a received box shows for one arrival. bytesTotal is the count the
// arrival event announced; Decimal and Hex render the first bytesTotal bytes
// of data, and never read past what data holds.
QString RenderReceivedData(const QByteArray &data, qint64 bytesTotal, DataFormat format);
