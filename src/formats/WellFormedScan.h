// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringView>

// One pass over a whole normalised Decimal or Hex text that reads it when
// every token is good, writing one byte per token to out (room for one more
// byte than the text has spaces). It gives false as soon as it is unsure,
// and the token-by-token reading then finds the first bad token and its
// message. Tokens of one to three characters end at unpredictable places,
// which would cost a mispredicted branch or two per byte; this scan has no
// branch on the token's shape, so a megabyte of text reads in milliseconds.
bool readWellFormedDecimal(QStringView text, char *out);
bool readWellFormedHex(QStringView text, char *out);
