// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Any text, in every Tx format: the encoder must not crash, must reach the
// outcome that the literal reading of the rules reaches, and whatever bytes
// it builds from numbers must come back the same through a received box.

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "ReferenceEncoding.h"

#include "formats/ReceivedRendering.h"
#include "formats/TransmitEncoding.h"

#include <QStringList>

#include <algorithm>

namespace {

bool hasLowerCaseHexLetter(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= u'a' && c.unicode() <= u'f'; });
}

void checkNormalisedText(const EncodedTransmitData &encoded, DataFormat format)
{
    const QString &text = encoded.normalisedText;
    if (format == DataFormat::String)
        return;
    FUZZ_CHECK(!text.startsWith(u' ') && !text.endsWith(u' '), "normalised text keeps an outer space");
    if (format == DataFormat::Hex)
        FUZZ_CHECK(!hasLowerCaseHexLetter(text), "normalised Hex text keeps a lower-case letter a to f");
}

// Qt's upper-casing keeps an unpaired surrogate or turns it into U+FFFD,
// depending on the path it takes inside (a change of length such as
// "\u00df" to "SS" takes the other one). Either is a bad hex character to
// the encoder, so the two count as the same text.
QString withLoneSurrogatesReplaced(const QString &text)
{
    QString replaced = text;
    for (qsizetype i = 0; i < replaced.size(); ++i) {
        const QChar c = replaced[i];
        if (c.isHighSurrogate() && i + 1 < replaced.size() && replaced[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            replaced[i] = QChar::ReplacementCharacter;
    }
    return replaced;
}

void checkOutcome(const EncodedTransmitData &encoded, const ReferenceEncoding &expected, DataFormat format)
{
    if (format == DataFormat::Hex)
        FUZZ_CHECK(withLoneSurrogatesReplaced(encoded.normalisedText)
                       == withLoneSurrogatesReplaced(expected.normalisedText),
                   "normalised text differs from the reference");
    else
        FUZZ_CHECK(encoded.normalisedText == expected.normalisedText, "normalised text differs from the reference");
    FUZZ_CHECK(encoded.bytes.has_value() == expected.bytes.has_value(),
               "sent where the reference abandons, or the reverse");
    if (encoded.bytes)
        FUZZ_CHECK(*encoded.bytes == *expected.bytes, "bytes differ from the reference");
    FUZZ_CHECK(encoded.error == expected.error, "parse error differs from the reference");
    FUZZ_CHECK(!encoded.bytes || encoded.error.isEmpty(), "bytes to send together with a parse error");
}

// The validation routines answer for each token as the encoder does.
void checkTokenValidation(const QString &normalised, DataFormat format)
{
    if (normalised.isEmpty())
        return;
    for (const QString &token : normalised.split(u' ')) {
        const bool decimal = format == DataFormat::Decimal;
        const QString expected = decimal ? ReferenceDecimalTokenError(token) : ReferenceHexTokenError(token);
        const std::optional<QString> error = decimal ? ValidateDecimalByte(token) : ValidateHexByte(token);
        FUZZ_CHECK(error.has_value() == !expected.isEmpty(),
                   "validation accepts a token the reference rejects, or the reverse");
        FUZZ_CHECK(error.value_or(QString()) == expected, "validation gives another message than the reference");
        if (decimal)
            FUZZ_CHECK(IsNumericOnly(token) == ReferenceIsNumericOnly(token), "IsNumericOnly disagrees");
    }
}

// Bytes built from numbers, shown in a received box in the same format and
// typed back, are the same bytes.
void checkRoundTrip(const QByteArray &bytes, DataFormat format)
{
    const QString shown = RenderReceivedData(bytes, bytes.size(), format);
    const EncodedTransmitData again = EncodeTransmitData(shown, format);
    FUZZ_CHECK(again.bytes.has_value(), "a rendering of sent bytes does not encode");
    FUZZ_CHECK(*again.bytes == bytes, "a rendering of sent bytes encodes to other bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const QString &text : TextsFromInput(data, size)) {
        for (const DataFormat format : {DataFormat::String, DataFormat::Decimal, DataFormat::Hex}) {
            SetFuzzContext(dataFormatName(format), text);
            const EncodedTransmitData encoded = EncodeTransmitData(text, format);
            checkNormalisedText(encoded, format);
            checkOutcome(encoded, ReferenceEncode(text, format), format);
            if (format == DataFormat::String)
                continue;
            checkTokenValidation(encoded.normalisedText, format);
            if (encoded.bytes)
                checkRoundTrip(*encoded.bytes, format);
        }
    }
    return 0;
}
