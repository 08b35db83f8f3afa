// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "KernelInputs.h"

#include "formats/ReceivedRendering.h"

#include <random>

QByteArray ArrivalBytes(qsizetype size)
{
    std::mt19937 generator(20240601);
    std::uniform_int_distribution<int> byteValue(0, 255);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(byteValue(generator));
    return bytes;
}

QString TypedTextFor(const QByteArray &bytes, DataFormat format)
{
    return RenderReceivedData(bytes, bytes.size(), format);
}
