// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "RenderingKernels.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr char16_t controlPictureBase = 0x2400; // U+2400 SYMBOL FOR NULL
constexpr char16_t symbolForDelete = 0x2421;
constexpr char16_t brailleBase = 0x2800;       // U+2800 BRAILLE PATTERN BLANK
constexpr char16_t shoulderedOpenBox = 0x237D; // Unicode's graphic for no-break space
constexpr char16_t hyphenationPoint = 0x2027;

// One character per byte. Printable bytes show as their Latin-1 character;
// a byte that would otherwise vanish, cut the text short, break the line or
// look like another byte shows as a symbol outside Latin-1, which no byte
// shows as, so it can always be told from data:
//  - C0 controls and DEL: Unicode's control pictures (NUL shows as U+2400).
//  - C1 controls 0x80 to 0x9F: Unicode has no pictures for them, and the
//    usual fonts have no glyphs, so all 32 would draw as the same box. They
//    show as the Braille pattern whose eight dots are the byte's eight bits
//    (U+2800 + byte): distinct, present in common fonts, and never text.
//  - No-break space 0xA0 would look like a space and is turned into one
//    when a text document gives back its plain text, so it shows as the
//    shouldered open box; soft hyphen 0xAD is drawn with no width, so it
//    shows as the hyphenation point.
constexpr std::array<char16_t, 256> makeDisplayCharacters()
{
    std::array<char16_t, 256> characters{};
    for (int b = 0; b < 256; ++b) {
        if (b < 0x20)
            characters[b] = char16_t(controlPictureBase + b);
        else if (b == 0x7F)
            characters[b] = symbolForDelete;
        else if (b >= 0x80 && b < 0xA0)
            characters[b] = char16_t(brailleBase + b);
        else if (b == 0xA0)
            characters[b] = shoulderedOpenBox;
        else if (b == 0xAD)
            characters[b] = hyphenationPoint;
        else
            characters[b] = char16_t(b);
    }
    return characters;
}

constexpr auto displayCharacters = makeDisplayCharacters();

// The next CR or LF at or after from, or end. Each is looked for with
// memchr only once it has been passed, so the search costs little more than
// one vectorised sweep of the data, and the runs between line bytes map in
// a plain loop.
class LineByteFinder
{
public:
    LineByteFinder(const unsigned char *begin, const unsigned char *end)
        : end(end)
        , nextCr(find(begin, '\r'))
        , nextLf(find(begin, '\n'))
    {}

    const unsigned char *next(const unsigned char *from)
    {
        if (nextCr < from)
            nextCr = find(from, '\r');
        if (nextLf < from)
            nextLf = find(from, '\n');
        return std::min(nextCr, nextLf);
    }

private:
    const unsigned char *find(const unsigned char *from, char byte) const
    {
        const void *found = std::memchr(from, byte, size_t(end - from));
        return found ? static_cast<const unsigned char *>(found) : end;
    }

    const unsigned char *const end;
    const unsigned char *nextCr;
    const unsigned char *nextLf;
};

} // namespace

// CR LF breaks the line. A lone LF shows its picture and still breaks the
// line, so a Unix-style stream reads as lines yet can be told from CR LF; a
// lone CR shows its picture and does not break, so a missing LF is seen.
QString renderStringText(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *const end = in + bytes.size();
    // A lone LF takes two characters, every other byte at most one.
    QString text(bytes.size() + std::count(in, end, '\n'), Qt::Uninitialized);
    auto *const begin = reinterpret_cast<char16_t *>(text.data());
    auto *out = begin;
    LineByteFinder finder(in, end);
    for (;;) {
        const unsigned char *const lineByte = finder.next(in);
        out = std::transform(in, lineByte, out, [](unsigned char b) { return displayCharacters[b]; });
        in = lineByte;
        if (in == end)
            break;
        if (*in == '\r' && in + 1 != end && in[1] == '\n') {
            *out++ = u'\n';
            in += 2;
        } else if (*in == '\n') {
            *out++ = displayCharacters['\n'];
            *out++ = u'\n';
            ++in;
        } else {
            *out++ = displayCharacters['\r'];
            ++in;
        }
    }
    text.truncate(out - begin);
    return text;
}
