// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReferenceEncoding.h"

#include <QStringList>

#include <algorithm>

namespace {

const QString notNumeric =
    QStringLiteral("Listening Socket -> Parse Error: Decimal data must be numeric only: 0<TxData<255");
const QString outOfRange = QStringLiteral("Listening Socket -> Parse Error: Decimal data out of range. 0<TxData<255");
const QString badHexCharacter =
    QStringLiteral("Listening Socket -> Parse Error: Invalid hex input value detected: 0<=hex<=9 or a <=hex<=f");
const QString hexTooLong =
    QStringLiteral("Listening Socket -> Parse Error: Invalid hex input value detected: 1 or 2 characters per byte");

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

bool isUpperHexDigit(QChar c)
{
    return isAsciiDigit(c) || (c.unicode() >= u'A' && c.unicode() <= u'F');
}

QString trimmedOfSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

// A line break leaves as CR LF; a character beyond Latin-1, written as one
// code unit or as a surrogate pair, leaves as one '?'.
QByteArray stringBytes(const QString &text)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n') {
            bytes += "\r\n";
        } else if (c < 0x100) {
            bytes += char(c);
        } else {
            bytes += '?';
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
        }
    }
    return bytes;
}

// Each character, or surrogate pair, becomes its single upper-case form when
// that form is written in as many code units; otherwise it stays.
QString upperCasedLetterForLetter(const QString &text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t original = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        const char32_t upper = QChar::toUpper(original);
        const char32_t chosen = QChar::requiresSurrogates(upper) == pair ? upper : original;
        if (pair) {
            result += QChar(QChar::highSurrogate(chosen));
            result += QChar(QChar::lowSurrogate(chosen));
            ++i;
        } else {
            result += QChar(char16_t(chosen));
        }
    }
    return result;
}

int decimalValue(const QString &digits)
{
    int value = 0;
    for (const QChar c : digits)
        value = value * 10 + (c.unicode() - u'0');
    return value;
}

} // namespace

bool ReferenceIsNumericOnly(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isAsciiDigit);
}

QString ReferenceDecimalTokenError(const QString &token)
{
    if (!ReferenceIsNumericOnly(token))
        return notNumeric;
    qsizetype leadingZeros = 0;
    while (leadingZeros + 1 < token.size() && token[leadingZeros] == u'0')
        ++leadingZeros;
    const QString significant = token.mid(leadingZeros);
    if (significant.size() > 3 || decimalValue(significant) > 255)
        return outOfRange;
    return {};
}

QString ReferenceHexTokenError(const QString &token)
{
    if (!std::all_of(token.begin(), token.end(), isUpperHexDigit))
        return badHexCharacter;
    if (token.size() > 2)
        return hexTooLong;
    return {};
}

ReferenceEncoding ReferenceEncode(const QString &text, DataFormat format)
{
    if (format == DataFormat::String)
        return {text, stringBytes(text), {}};

    ReferenceEncoding result;
    result.normalisedText = trimmedOfSpaces(text);
    if (format == DataFormat::Hex)
        result.normalisedText = upperCasedLetterForLetter(result.normalisedText);
    if (result.normalisedText.isEmpty()) {
        result.bytes = QByteArray();
        return result;
    }

    QByteArray bytes;
    for (const QString &token : result.normalisedText.split(u' ')) {
        if (format == DataFormat::Decimal) {
            result.error = ReferenceDecimalTokenError(token);
            if (!result.error.isEmpty())
                return result;
            bytes += char(decimalValue(token.right(3)));
        } else {
            result.error = ReferenceHexTokenError(token);
            if (!result.error.isEmpty())
                return result;
            // An empty token passes the test but holds no digit to read:
            // the send ends without a message.
            if (token.isEmpty())
                return result;
            bytes += char(token.toUInt(nullptr, 16));
        }
    }
    result.bytes = bytes;
    return result;
}
