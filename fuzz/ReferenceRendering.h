// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayView>
#include <QString>

#include <vector>

// The Decimal and Hex renderings built one value at a time with Qt's own
// number formatting, sharing nothing with the renderer under test.
struct ReferenceRendering
{
    QString text;
    // Where the rendering of each leading run of bytes ends: the first k
    // bytes render as text.left(ends[k]).
    std::vector<qsizetype> ends;
};

ReferenceRendering ReferenceRenderDecimal(QByteArrayView bytes);
ReferenceRendering ReferenceRenderHex(QByteArrayView bytes);
