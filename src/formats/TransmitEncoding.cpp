// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TransmitEncoding.h"

#include "ByteText.h"
#include "TokenReading.h"
#include "WellFormedScan.h"

#include <algorithm>

namespace {

// Only the space character is trimmed: a tab or line break at either end
// stays, so it lands in a token and is reported instead of silently dropped.
QString trimSpaces(const QString &text)
{
    const char16_t *const begin = QStringView(text).utf16();
    const char16_t *first = begin;
    const char16_t *last = begin + text.size();
    while (first != last && *first == u' ')
        ++first;
    while (last != first && last[-1] == u' ')
        --last;
    if (first == begin && last == begin + text.size())
        return text; // shares the data: nothing to copy in the usual case
    return text.sliced(first - begin, last - first);
}

// Upper-cases beyond ASCII one character into one character. The full
// Unicode mapping would turn the ligature U+FB00 into "FF" and send a byte
// nobody typed; a character with no single upper-case form stays as it is,
// and is then rejected like any other that is not a hex digit.
QString upperCasedCharByChar(QString text)
{
    QChar *const begin = text.data();
    QChar *const end = begin + text.size();
    for (QChar *at = begin; at != end; ++at) {
        if (at->isHighSurrogate() && at + 1 != end && at[1].isLowSurrogate()) {
            const char32_t codePoint = QChar::surrogateToUcs4(at[0], at[1]);
            const char32_t upper = QChar::toUpper(codePoint);
            if (QChar::requiresSurrogates(upper)) {
                at[0] = QChar(QChar::highSurrogate(upper));
                at[1] = QChar(QChar::lowSurrogate(upper));
            }
            ++at;
        } else {
            // A lone surrogate maps to itself and stays as typed.
            const char32_t upper = QChar::toUpper(char32_t(at->unicode()));
            if (!QChar::requiresSurrogates(upper))
                *at = QChar(char16_t(upper));
        }
    }
    return text;
}

// Upper-cases a Hex text. The usual text is ASCII digits, letters and
// spaces, and is done here without the Unicode tables, which take several
// times as long over a long text.
QString upperCased(QString text)
{
    bool lowerCase = false;
    bool beyondAscii = false;
    for (const QChar ch : std::as_const(text)) {
        const char16_t c = ch.unicode();
        lowerCase |= char16_t(c - u'a') < 26;
        beyondAscii |= c >= 0x80;
    }
    if (beyondAscii)
        return upperCasedCharByChar(std::move(text));
    if (lowerCase) {
        for (QChar &ch : text) {
            const char16_t c = ch.unicode();
            ch = QChar(char16_t(c - (char16_t(c - u'a') < 26 ? 0x20 : 0)));
        }
    }
    return text;
}

// Cuts the normalised text at every single space and reads each token as it
// is cut. Two spaces in a row therefore give an empty token between them,
// and since the text is trimmed, no token comes from its ends. Sizes are
// qsizetype throughout: a text of any length is encoded.
template <TokenReading (*Read)(QStringView), bool (*ReadWellFormed)(QStringView, char *)>
EncodedTransmitData encodeNumbers(QString normalised)
{
    EncodedTransmitData result;
    result.normalisedText = std::move(normalised);
    const QStringView text = result.normalisedText;
    if (text.isEmpty()) {
        result.bytes = QByteArray();
        return result;
    }

    const char16_t *tokenStart = text.utf16();
    const char16_t *const end = tokenStart + text.size();
    // Every token gives one byte or ends the encoding, so the spaces count
    // the bytes exactly.
    QByteArray bytes(std::count(tokenStart, end, u' ') + 1, Qt::Uninitialized);
    char *out = bytes.data();
    if (ReadWellFormed(text, out)) {
        result.bytes = std::move(bytes);
        return result;
    }
    for (;;) {
        const char16_t *const tokenEnd = std::find(tokenStart, end, u' ');
        const QStringView token(tokenStart, tokenEnd);
        const TokenReading reading = Read(token);
        if (reading.verdict != TokenVerdict::Accepted) {
            result.error = parseErrorMessage(reading.verdict);
            return result;
        }
        // An empty Hex token passes the test but holds no digit to read:
        // the send ends there without a message, as a number that cannot be
        // read at all ends it.
        if (token.isEmpty())
            return result;
        *out++ = char(reading.value);
        if (tokenEnd == end)
            break;
        tokenStart = tokenEnd + 1;
    }
    result.bytes = std::move(bytes);
    return result;
}

} // namespace

EncodedTransmitData EncodeTransmitData(const QString &text, DataFormat format)
{
    switch (format) {
    case DataFormat::String:
        break;
    case DataFormat::Decimal:
        return encodeNumbers<readDecimalToken, readWellFormedDecimal>(trimSpaces(text));
    case DataFormat::Hex:
        return encodeNumbers<readHexToken, readWellFormedHex>(upperCased(trimSpaces(text)));
    }
    // String sends the text as typed and leaves the box alone.
    return {text, bytesFromTypedText(text), {}};
}
