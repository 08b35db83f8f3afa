// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "formats/DataFormat.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The encoding of a transmit text written the slow, literal way: trim, cut
// at every space, test and read each token in turn. It shares no code with
// the encoder under test, whose fast scan must reach the same outcome.
struct ReferenceEncoding
{
    QString normalisedText;
    std::optional<QByteArray> bytes; // empty when the send is abandoned
    QString error;                   // the parse error, or empty
};

ReferenceEncoding ReferenceEncode(const QString &text, DataFormat format);

bool ReferenceIsNumericOnly(const QString &text);

// The parse error for one Decimal or Hex token, empty when it is accepted.
QString ReferenceDecimalTokenError(const QString &token);
QString ReferenceHexTokenError(const QString &token);
