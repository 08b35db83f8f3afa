// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QColor>
#include <QtGlobal>

// A message colour as the 32-bit value 0x00BBGGRR: red in the lowest byte.
struct StatusColour
{
    quint32 value = 0;

    static const StatusColour black; // idle or closed states, a port box's normal text
    static const StatusColour blue;  // successful actions and arriving data
    static const StatusColour red;   // errors, a rejected port box

    QColor toQColor() const { return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF)); }

    friend constexpr bool operator==(StatusColour, StatusColour) = default;
};

inline constexpr StatusColour StatusColour::black{0x000000};
inline constexpr StatusColour StatusColour::blue{0xFF0000};
inline constexpr StatusColour StatusColour::red{0x0000FF};
