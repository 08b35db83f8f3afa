// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayView>
#include <QString>

// The three renderings of an arrival, each over all the bytes it is given.
// Each builds its text in one pass into a buffer sized once, since an
// arrival may be megabytes and arrives on the thread that paints the window.
QString renderDecimalText(QByteArrayView bytes);
QString renderHexText(QByteArrayView bytes);
QString renderStringText(QByteArrayView bytes);
