// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

// The texts a fuzzer input stands for. Read as UTF-8 it gives mostly
// well-formed text, so the mutations of a seed such as "12 AB" stay
// readable numbers; read as UTF-16 it also gives what UTF-8 never yields
// (unpaired surrogates, every code unit beyond Latin-1), which a text box
// can hold after a paste.
std::array<QString, 2> TextsFromInput(const uint8_t *data, size_t size);
