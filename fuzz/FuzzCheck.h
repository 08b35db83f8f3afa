// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayView>
#include <QStringView>

// What the target is checking at the moment, printed when a property fails,
// so a failure reads as `Hex: "A  B"` rather than as bare input bytes. Only
// a view is kept, and it is formatted only on failure, so setting it costs
// nothing per input; the text or bytes must live until the next call.
void SetFuzzContext(const char *label, QStringView text);
void SetFuzzContext(const char *label, QByteArrayView bytes);

[[noreturn]] void FailFuzzCheck(const char *file, int line, const char *what, const char *condition);

// A property that fails is reported like a crash: libFuzzer keeps the input
// that broke it and the run ends with a failure.
#define FUZZ_CHECK(condition, what) \
    do { \
        if (!(condition)) \
            FailFuzzCheck(__FILE__, __LINE__, what, #condition); \
    } while (false)
