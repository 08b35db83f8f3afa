// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FuzzCheck.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

struct Context
{
    const char *label = "";
    QStringView text;
    QByteArrayView bytes;
    bool isText = false;
};

Context context;

// Printable ASCII as it is, everything else as an escape, so spaces,
// tabs and unpaired surrogates can all be told apart in the report.
QString quoted(QStringView text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F && c != u'"' && c != u'\\')
            out += c;
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out + u'"';
}

} // namespace

void SetFuzzContext(const char *label, QStringView text)
{
    context = {label, text, {}, true};
}

void SetFuzzContext(const char *label, QByteArrayView bytes)
{
    context = {label, {}, bytes, false};
}

void FailFuzzCheck(const char *file, int line, const char *what, const char *condition)
{
    const QString subject =
        context.isText ? quoted(context.text) : QString::fromLatin1(context.bytes.toByteArray().toHex(' '));
    std::fprintf(stderr, "%s:%d: property failed: %s\n  check: %s\n  case: %s %s\n", file, line, what, condition,
                 context.label, qUtf8Printable(subject));
    std::abort();
}
