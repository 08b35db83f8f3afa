// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WellFormedScan.h"

#include <array>

namespace {

constexpr unsigned notHex = 0x10;

constexpr std::array<unsigned char, 128> makeHexValues()
{
    std::array<unsigned char, 128> values{};
    for (unsigned c = 0; c < 128; ++c) {
        if (c >= '0' && c <= '9')
            values[c] = static_cast<unsigned char>(c - '0');
        else if (c >= 'A' && c <= 'F')
            values[c] = static_cast<unsigned char>(c - 'A' + 10);
        else
            values[c] = notHex;
    }
    return values;
}

constexpr auto hexValues = makeHexValues();

} // namespace

bool readWellFormedDecimal(QStringView text, char *out)
{
    // A token's value only grows as its digits come, so a value above 255
    // is caught at the digit that passes 255; once caught, the scan's answer
    // is fixed and whatever the value wraps to does not matter.
    unsigned value = 0;
    bool tokenHasDigits = false;
    bool bad = false;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        const unsigned digit = unsigned(c) - u'0';
        const bool space = c == u' ';
        bad |= space ? !tokenHasDigits : digit > 9;
        // Written at every character, kept only where a space ends a token.
        *out = char(value);
        out += space;
        value = space ? 0 : value * 10 + digit;
        bad |= value > 255;
        tokenHasDigits = !space;
    }
    bad |= !tokenHasDigits;
    *out = char(value);
    return !bad;
}

bool readWellFormedHex(QStringView text, char *out)
{
    // As above, a third digit is caught where it comes, so neither the
    // length nor the value needs a bound of its own.
    unsigned value = 0;
    unsigned length = 0;
    bool bad = false;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        const unsigned digit = c < 128 ? hexValues[c] : notHex;
        const bool space = c == u' ';
        bad |= space ? length == 0 : digit == notHex;
        *out = char(value);
        out += space;
        value = space ? 0 : value << 4 | digit;
        length = space ? 0 : length + 1;
        bad |= length > 2;
    }
    bad |= length == 0;
    *out = char(value);
    return !bad;
}
