// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReceivedRendering.h"

#include "RenderingKernels.h"

#include <algorithm>

QString RenderReceivedData(const QByteArray &data, qint64 bytesTotal, DataFormat format)
{
    switch (format) {
    case DataFormat::String:
        // The text is the whole fetch: nothing fetched is hidden.
        return renderStringText(data);
    case DataFormat::Decimal:
    case DataFormat::Hex:
        break;
    }
    // The count the arrival announced may disagree with what the fetch
    // handed over; never read past the bytes actually held.
    const qsizetype count = qsizetype(std::clamp<qint64>(bytesTotal, 0, data.size()));
    const QByteArrayView bytes(data.constData(), count);
    return format == DataFormat::Decimal ? renderDecimalText(bytes) : renderHexText(bytes);
}
