// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// How one Decimal or Hex token reads. Kept inline and free of messages so
// the encoder can judge and read each token of a megabyte text in one look,
// while the validation routines turn the same verdict into the message.
enum class TokenVerdict {
    Accepted,
    NotNumeric,      // Decimal: empty, or a character other than 0 to 9
    OutOfRange,      // Decimal: digits only, but above 255
    BadHexCharacter, // Hex: a character other than 0 to 9 and A to F
    TooLong,         // Hex: valid characters, but more than two of them
};

struct TokenReading
{
    TokenVerdict verdict = TokenVerdict::Accepted;
    uchar value = 0;
};

inline bool isDecimalDigit(char16_t c)
{
    // By code, not by QChar::isDigit: Arabic-Indic or fullwidth digits are
    // not numbers a byte can be read from.
    return c >= u'0' && c <= u'9';
}

inline TokenReading readDecimalToken(QStringView token)
{
    if (token.isEmpty())
        return {TokenVerdict::NotNumeric};
    // A token may hold hundreds of digits. Its value only matters up to 255,
    // so the count stops growing there: that judges "000255" and a 400-digit
    // number exactly as reading them as a floating-point number would, and
    // nothing can overflow.
    unsigned value = 0;
    for (const QChar ch : token) {
        const char16_t c = ch.unicode();
        if (!isDecimalDigit(c))
            return {TokenVerdict::NotNumeric};
        if (value <= 255)
            value = value * 10 + unsigned(c - u'0');
    }
    if (value > 255)
        return {TokenVerdict::OutOfRange};
    return {TokenVerdict::Accepted, uchar(value)};
}

inline int hexDigitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// An empty token is accepted: it holds no bad character and is not too
// long. Whether it can be read is the encoder's question, not this one's.
inline TokenReading readHexToken(QStringView token)
{
    // Every character is looked at before the length, so "GGG" is reported
    // as a bad character rather than as too long.
    unsigned value = 0;
    for (const QChar ch : token) {
        const int digit = hexDigitValue(ch.unicode());
        if (digit < 0)
            return {TokenVerdict::BadHexCharacter};
        value = value << 4 | unsigned(digit); // only read when two digits or fewer
    }
    if (token.size() > 2)
        return {TokenVerdict::TooLong};
    return {TokenVerdict::Accepted, uchar(value)};
}

// The status-line message for a rejected token; empty for an accepted one.
QString parseErrorMessage(TokenVerdict verdict);
