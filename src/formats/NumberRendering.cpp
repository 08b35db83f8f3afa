// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "RenderingKernels.h"

#include <array>
#include <cstring>

namespace {

// Each byte's text with its trailing space, padded to four UTF-16 units so
// that one 8-byte copy writes it; the output pointer then moves on by the
// group's true length, and the next group overwrites the padding.
struct Group
{
    char16_t units[4] = {};
};
static_assert(sizeof(Group) == 8);

constexpr char16_t hexDigits[] = u"0123456789ABCDEF";

constexpr std::array<Group, 256> makeDecimalGroups()
{
    std::array<Group, 256> groups{};
    for (int b = 0; b < 256; ++b) {
        Group &g = groups[b];
        int n = 0;
        if (b >= 100)
            g.units[n++] = char16_t(u'0' + b / 100);
        if (b >= 10)
            g.units[n++] = char16_t(u'0' + b / 10 % 10);
        g.units[n++] = char16_t(u'0' + b % 10);
        g.units[n] = u' ';
    }
    return groups;
}

constexpr std::array<unsigned char, 256> makeDecimalLengths()
{
    std::array<unsigned char, 256> lengths{};
    for (int b = 0; b < 256; ++b)
        lengths[b] = b >= 100 ? 4 : b >= 10 ? 3 : 2;
    return lengths;
}

constexpr std::array<Group, 256> makeHexGroups()
{
    std::array<Group, 256> groups{};
    for (int b = 0; b < 256; ++b)
        groups[b] = Group{{hexDigits[b >> 4], hexDigits[b & 15], u' ', u' '}};
    return groups;
}

constexpr auto decimalGroups = makeDecimalGroups();
constexpr auto decimalLengths = makeDecimalLengths();
constexpr auto hexGroups = makeHexGroups();

// Room for the whole last group beyond the text's own end.
constexpr qsizetype slack = 4;

} // namespace

QString renderDecimalText(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    const auto *const in = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    // Two characters per byte (a digit and the space), one more from 10 on,
    // one more from 100 on: counting those is one quick vectorised sweep.
    qsizetype length = 2 * n;
    for (qsizetype i = 0; i < n; ++i)
        length += (in[i] >= 10) + (in[i] >= 100);

    QString text(length + slack, Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < n; ++i) {
        std::memcpy(out, &decimalGroups[in[i]], sizeof(Group));
        out += decimalLengths[in[i]];
    }
    text.truncate(length);
    return text;
}

QString renderHexText(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    const auto *const in = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    const qsizetype length = 3 * n;

    QString text(length + slack, Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i < n; ++i) {
        std::memcpy(out, &hexGroups[in[i]], sizeof(Group));
        out += 3;
    }
    text.truncate(length);
    return text;
}
