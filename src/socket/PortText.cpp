// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PortText.h"

#include "EventSocketError.h"

#include <cmath>
#include <limits>

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    // ASCII only: QChar::isDigit() would also take digits of other scripts,
    // which the conversion below does not read.
    return c >= u'0' && c <= u'9';
}

QStringView stripBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// sign? (digits ["." digits*] | "." digits) [("e"|"E") sign? digits]
bool isDecimalNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto skipDigits = [&] {
        const qsizetype start = i;
        while (i < n && isDigit(text[i]))
            ++i;
        return i - start;
    };
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype mantissaDigits = skipDigits();
    if (i < n && text[i] == u'.') {
        ++i;
        mantissaDigits += skipDigits();
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (skipDigits() == 0)
            return false;
    }
    return i == n;
}

// The description stands on the one-line status line: a pasted line break
// or other control character shows as its symbol instead of breaking it.
QString visibleText(QString text)
{
    for (QChar &character : text) {
        const char16_t code = character.unicode();
        if (code < 0x20)
            character = QChar(char16_t(0x2400 + code));
        else if (code == 0x7F)
            character = QChar(char16_t(0x2421));
    }
    return text;
}

} // namespace

double readPortNumber(const QString &text)
{
    const QStringView number = stripBlanks(text);
    if (number.isEmpty())
        throw EventSocketError(QStringLiteral("The port is empty"));
    // The grammar check comes first: toDouble() alone would also take "inf",
    // "nan" and blanks inside the text.
    if (!isDecimalNumber(number))
        throw EventSocketError(u'"' + visibleText(text) + QStringLiteral("\" is not a number"));
    // A well-formed number fails to convert only by overflow, and then reads
    // as infinite (which the range check rejects), or by underflow, and then
    // reads as 0, which it nearly is.
    return number.toDouble();
}

int roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    if (value <= lowest)
        return std::numeric_limits<int>::min();
    if (value >= highest)
        return std::numeric_limits<int>::max();
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    return static_cast<int>(rounded);
}

quint16 readPort(const QString &text)
{
    const double value = readPortNumber(text);
    // The range is checked on the number as read, before rounding, as the
    // port boxes check it: 65535.4 and -0.4 are out of range there too.
    if (!isPortNumber(value))
        throw EventSocketError(u'"' + text + QStringLiteral("\" is not a port number from 0 to %1").arg(highestPort));
    return static_cast<quint16>(roundHalfEven(value));
}
