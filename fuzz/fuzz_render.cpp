// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Any bytes, in every Rx format, with the announced count equal to what
// arrived or not: the renderer must not crash or read past the bytes, must
// match the rendering built one value at a time, and what it shows in
// Decimal or Hex must type back into the same bytes.

#include "FuzzCheck.h"
#include "ReferenceRendering.h"

#include "formats/ByteText.h"
#include "formats/ReceivedRendering.h"
#include "formats/TransmitEncoding.h"

#include <algorithm>
#include <limits>

namespace {

// The counts an arrival event may announce for data of this size: the
// size itself, fewer, more, none, negative and the extremes.
std::vector<qint64> countsAnnouncedFor(qint64 size)
{
    constexpr auto min64 = std::numeric_limits<qint64>::min();
    constexpr auto max64 = std::numeric_limits<qint64>::max();
    constexpr auto min32 = std::numeric_limits<qint32>::min();
    constexpr auto max32 = std::numeric_limits<qint32>::max();
    return {size, 0, size - 1, size / 2, size + 1, 2 * size + 7, -1, -size - 1, min32, max32, min64, max64};
}

qint64 bytesShownFor(qint64 announced, qint64 size)
{
    return std::clamp<qint64>(announced, 0, size);
}

void checkShownTypesBack(const QByteArray &data, const QString &shown, DataFormat format)
{
    const EncodedTransmitData typed = EncodeTransmitData(shown, format);
    FUZZ_CHECK(typed.bytes.has_value(), "a rendering does not encode in its own format");
    FUZZ_CHECK(*typed.bytes == data, "a rendering encodes to other bytes in its own format");
}

void checkNumberRendering(const QByteArray &data, DataFormat format)
{
    SetFuzzContext(format == DataFormat::Hex ? "Hex, bytes" : "Decimal, bytes", data);
    const ReferenceRendering expected =
        format == DataFormat::Hex ? ReferenceRenderHex(data) : ReferenceRenderDecimal(data);
    for (const qint64 announced : countsAnnouncedFor(data.size())) {
        const qint64 shownCount = bytesShownFor(announced, data.size());
        const QString shown = RenderReceivedData(data, announced, format);
        FUZZ_CHECK(shown == expected.text.left(expected.ends[size_t(shownCount)]),
                   "rendering differs from the one built value by value");
        if (format == DataFormat::Hex)
            FUZZ_CHECK(shown.size() == 3 * shownCount, "Hex rendering is not three characters per byte");
        if (announced == data.size())
            checkShownTypesBack(data, shown, format);
    }
}

// Every byte shows as one character except where a line breaks: CR LF
// becomes one line break, a lone LF its picture and a line break. No other
// control character appears, so nothing vanishes or cuts the text.
void checkStringRendering(const QByteArray &data)
{
    SetFuzzContext("String, bytes", data);
    const QString whole = RenderReceivedData(data, data.size(), DataFormat::String);
    const qsizetype lineFeeds = data.count('\n');
    const qsizetype crLfPairs = data.count("\r\n");
    FUZZ_CHECK(whole.size() == data.size() + lineFeeds - 2 * crLfPairs, "String rendering has the wrong length");
    FUZZ_CHECK(whole.count(u'\n') == lineFeeds, "String rendering breaks lines where no LF arrived");
    FUZZ_CHECK(std::none_of(whole.begin(), whole.end(),
                            [](QChar c) {
                                return c != u'\n'
                                       && (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0));
                            }),
               "String rendering holds a control character");
    for (const qint64 announced : countsAnnouncedFor(data.size()))
        FUZZ_CHECK(RenderReceivedData(data, announced, DataFormat::String) == whole,
                   "String rendering depends on the announced count");

    FUZZ_CHECK(bytesFromText(textFromBytes(data)) == data, "a byte does not survive text and back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    // libFuzzer hands the input over in a heap block of exactly its size,
    // and fromRawData does not copy it, so one byte read beyond the data
    // lands in AddressSanitizer's red zone.
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char *>(bytes), qsizetype(size));
    checkStringRendering(data);
    checkNumberRendering(data, DataFormat::Decimal);
    checkNumberRendering(data, DataFormat::Hex);
    return 0;
}
