// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReferenceRendering.h"

#include <array>

namespace {

// Each byte's text, formatted once per value by Qt rather than per byte, so
// the reference keeps up with the fuzzer.
template <typename Format>
std::array<QString, 256> groupsFormattedBy(Format format)
{
    std::array<QString, 256> groups;
    for (int value = 0; value < 256; ++value)
        groups[size_t(value)] = format(uchar(value)) + u' ';
    return groups;
}

ReferenceRendering render(QByteArrayView bytes, const std::array<QString, 256> &groups)
{
    ReferenceRendering rendering;
    rendering.text.reserve(bytes.size() * 4);
    rendering.ends.reserve(size_t(bytes.size()) + 1);
    rendering.ends.push_back(0);
    for (const char byte : bytes) {
        rendering.text += groups[uchar(byte)];
        rendering.ends.push_back(rendering.text.size());
    }
    return rendering;
}

} // namespace

ReferenceRendering ReferenceRenderDecimal(QByteArrayView bytes)
{
    static const auto groups = groupsFormattedBy([](uchar value) { return QString::number(value); });
    return render(bytes, groups);
}

ReferenceRendering ReferenceRenderHex(QByteArrayView bytes)
{
    static const auto groups =
        groupsFormattedBy([](uchar value) { return QString::number(value, 16).toUpper().rightJustified(2, u'0'); });
    return render(bytes, groups);
}
