// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

// The one place where text and bytes meet. Bytes 0 to 255 map one to one
// to the characters U+0000 to U+00FF (Latin-1), so every byte value has a
// character and text made from bytes turns back into the same bytes.
// A character beyond Latin-1 has no single-byte form and becomes '?' (63).
QByteArray bytesFromText(QStringView text);
QString textFromBytes(QByteArrayView bytes);

// As bytesFromText, but each line break '\n' (the form a plain-text box
// gives it) goes out as the pair CR LF (13 10), the way a line typed into
// a transmit box travels on the wire.
QByteArray bytesFromTypedText(QStringView text);
