// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ByteText.h"

#include <algorithm>

namespace {

constexpr char unmappable = '?';

// Writes the single-byte form of text to out, which must have room for
// text.size() bytes, or twice that when line breaks are doubled; gives the
// end of what was written. A character beyond Latin-1 written as a
// surrogate pair is still one character, so it becomes one '?', not two.
template <bool LineBreaksAsCrLf>
char *writeBytes(QStringView text, char *out)
{
    const char16_t *in = text.utf16();
    const char16_t *const end = in + text.size();
    while (in != end) {
        const char16_t c = *in++;
        if (c < 0x100) {
            if constexpr (LineBreaksAsCrLf) {
                if (c == u'\n')
                    *out++ = '\r';
            }
            *out++ = char(c);
        } else {
            if (QChar::isHighSurrogate(c) && in != end && QChar::isLowSurrogate(*in))
                ++in;
            *out++ = unmappable;
        }
    }
    return out;
}

} // namespace

QByteArray bytesFromText(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *const begin = bytes.data();
    bytes.truncate(writeBytes<false>(text, begin) - begin);
    return bytes;
}

QByteArray bytesFromTypedText(QStringView text)
{
    const qsizetype lineBreaks = std::count(text.begin(), text.end(), u'\n');
    QByteArray bytes(text.size() + lineBreaks, Qt::Uninitialized);
    char *const begin = bytes.data();
    bytes.truncate(writeBytes<true>(text, begin) - begin);
    return bytes;
}

QString textFromBytes(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes);
}
