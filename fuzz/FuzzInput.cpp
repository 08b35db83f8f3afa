// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FuzzInput.h"

#include <cstring>

std::array<QString, 2> TextsFromInput(const uint8_t *data, size_t size)
{
    const auto *chars = reinterpret_cast<const char *>(data);
    QString utf16(qsizetype(size / 2), Qt::Uninitialized);
    // Copied rather than cast: the input need not be aligned for char16_t.
    if (!utf16.isEmpty())
        std::memcpy(utf16.data(), data, size / 2 * sizeof(char16_t));
    return {QString::fromUtf8(chars, qsizetype(size)), utf16};
}
