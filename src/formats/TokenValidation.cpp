// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TokenReading.h"
#include "TransmitEncoding.h"

QString parseErrorMessage(TokenVerdict verdict)
{
    // Both panels show these same texts, the outgoing one included.
    switch (verdict) {
    case TokenVerdict::Accepted:
        break;
    case TokenVerdict::NotNumeric:
        return QStringLiteral("Listening Socket -> Parse Error: Decimal data must be numeric only: 0<TxData<255");
    case TokenVerdict::OutOfRange:
        return QStringLiteral("Listening Socket -> Parse Error: Decimal data out of range. 0<TxData<255");
    case TokenVerdict::BadHexCharacter:
        return QStringLiteral(
            "Listening Socket -> Parse Error: Invalid hex input value detected: 0<=hex<=9 or a <=hex<=f");
    case TokenVerdict::TooLong:
        return QStringLiteral(
            "Listening Socket -> Parse Error: Invalid hex input value detected: 1 or 2 characters per byte");
    }
    return {};
}

bool IsNumericOnly(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!isDecimalDigit(c.unicode()))
            return false;
    }
    return true;
}

namespace {

std::optional<QString> messageFor(TokenReading reading)
{
    if (reading.verdict == TokenVerdict::Accepted)
        return std::nullopt;
    return parseErrorMessage(reading.verdict);
}

} // namespace

std::optional<QString> ValidateDecimalByte(QStringView token)
{
    return messageFor(readDecimalToken(token));
}

std::optional<QString> ValidateHexByte(QStringView token)
{
    return messageFor(readHexToken(token));
}
