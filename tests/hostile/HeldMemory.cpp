// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HeldMemory.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>

#include <malloc.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define HELD_BY_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HELD_BY_SANITIZER 1
#endif
#endif

#ifdef HELD_BY_SANITIZER
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> pages = statm.readAll().split(' ');
    return pages.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

} // namespace

HeldMemory settledMemory()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    HeldMemory memory;
#ifdef HELD_BY_SANITIZER
    memory.residentBytes = residentBytes();
    memory.heldBytes = qint64(__sanitizer_get_current_allocated_bytes());
#else
    malloc_trim(0);
    memory.residentBytes = residentBytes();
    memory.heldBytes = memory.residentBytes;
#endif
    return memory;
}

void MemoryWatch::start()
{
    atStart = settledMemory();
}

qint64 MemoryWatch::growth(const char *testName) const
{
    const HeldMemory atEnd = settledMemory();
    constexpr double mebibyte = 1024.0 * 1024.0;
    qInfo("%s: memory held %.1f MiB at start, %.1f MiB at end (resident %.1f -> %.1f MiB)", testName,
          atStart.heldBytes / mebibyte, atEnd.heldBytes / mebibyte, atStart.residentBytes / mebibyte,
          atEnd.residentBytes / mebibyte);
    return atEnd.heldBytes - atStart.heldBytes;
}
