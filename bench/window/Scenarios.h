// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

class WindowUnderLoad;

// What a user sees and what it costs while the listening panel takes a
// UDP burst paced by the sender.
struct UdpBurstFigures
{
    bool ran = false;
    int sent = 0;
    int arrived = 0;
    double seconds = 0;
    double cpuPerArrivalUs = 0;
    double longestStallMs = 0;
    int boxPaints = 0;
    int statusPaints = 0;
    int clicksPosted = 0;
    int clicksAnswered = 0;
    double slowestClickMs = 0;
    bool lastShown = false;
};
UdpBurstFigures RunUdpBurst(WindowUnderLoad &window, int rxFormat, int count, int rate, int size);

// The floor under those figures: the same burst into a bare QUdpSocket on
// the same event loop, read and thrown away, with no window behind it. With
// batchMs 0 it reads at every notification, one wake-up per datagram at this
// pace; otherwise it waits batchMs after a notification and then reads all
// that came meanwhile.
struct UdpFloorFigures
{
    bool ran = false;
    int arrived = 0;
    double cpuPerDatagramUs = 0;
    double datagramsPerWakeUp = 0;
};
UdpFloorFigures RunUdpFloor(int count, int rate, int size, int batchMs);

// One TCP peer pushing as fast as loopback goes.
struct PushFigures
{
    bool ran = false;
    int arrivals = 0;
    double msToIdle = 0;
    double longestStallMs = 0;
    double addedMiB = 0;
    double peakAddedMiB = 0;
    int clicksPosted = 0;
    int clicksAnswered = 0;
    double slowestClickMs = 0;
    bool lastShown = false;
};
PushFigures RunTcpPush(WindowUnderLoad &window, int rxFormat, qint64 bytes);

// Bytes that are all waiting in the kernel when the window first looks, so
// that they come as one arrival.
struct OneArrivalFigures
{
    bool ran = false;
    int arrivals = 0;
    double msToPainted = 0;
    double addedMiB = 0;
    double peakAddedMiB = 0;
    bool shownExactly = false;
};
OneArrivalFigures RunOneArrival(WindowUnderLoad &window, int rxFormat, qint64 bytes);
