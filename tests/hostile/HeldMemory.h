// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

// The memory this process holds, taken once nothing is left waiting to be
// deleted. Under AddressSanitizer freed blocks stay resident in its
// quarantine, so there the live heap is what counts; elsewhere it is the
// resident set, after the allocator has handed its free pages back.
struct HeldMemory
{
    qint64 residentBytes = 0;
    qint64 heldBytes = 0;
};

HeldMemory settledMemory();

// Notes what the process holds when a test starts and tells how much more it
// holds at the end, printing both figures.
class MemoryWatch
{
public:
    void start();
    qint64 growth(const char *testName) const;

private:
    HeldMemory atStart;
};

// Far above what the window keeps for one arrival and a few sockets, far
// below what a leak per arrival or per connection adds up to in these tests.
inline constexpr qint64 allowedGrowth = 64 * 1024 * 1024;
