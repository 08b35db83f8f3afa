// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// The highest port number there is; ports run from 0 to this.
constexpr int highestPort = 65535;

// Whether a number read from a port box names a port: 0 to highestPort,
// both included, the fraction not yet rounded (65535.4 does not).
constexpr bool isPortNumber(double value)
{
    return value >= 0.0 && value <= double(highestPort);
}

// Reads a port box's text as a number: an optional sign, digits with an
// optional fraction and exponent, blanks around it allowed. Anything else
// (the empty text, "abc", "inf") throws EventSocketError with a description
// that says what was wrong, e.g. "abc" is not a number.
double readPortNumber(const QString &text);

// The nearest whole number, a value exactly halfway going to the even
// neighbour (400.5 gives 400, 401.5 gives 402).
int roundHalfEven(double value);

// readPortNumber and roundHalfEven, with a range check 0..65535 on the number
// as read (65535.4 fails) that throws EventSocketError when it fails.
quint16 readPort(const QString &text);
