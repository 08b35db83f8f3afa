// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A panel's Tx or Rx format; the values are the option indexes of the
// format groups, so a checked button's id converts directly.
enum class DataFormat { String = 0, Decimal = 1, Hex = 2 };

// The format's caption, as its option button reads.
constexpr const char *dataFormatName(DataFormat format)
{
    switch (format) {
    case DataFormat::String:
        return "String";
    case DataFormat::Decimal:
        return "Decimal";
    case DataFormat::Hex:
        return "Hex";
    }
    return "?";
}
