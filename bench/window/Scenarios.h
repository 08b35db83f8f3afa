// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

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
    // The whole process, the socket's reader thread included.
    double processCpuPerArrivalUs = 0;
    // The pace the sender reached, and what the system threw away.
    double sentPerSecond = 0;
    qint64 kernelDrops = 0;
};
// A rate of 0 sends as fast as the sender can. A receive buffer above 0 is
// asked of the system for the socket in place of the one the window asks for.
UdpBurstFigures RunUdpBurst(WindowUnderLoad &window, int rxFormat, int count, int rate, int size,
                            int receiveBuffer = 0);

// One datagram from each of count ports, back to back, then an answer sent
// from the listening panel: the box must show the last datagram, and the
// answer go to its sender.
struct UdpPortsFigures
{
    bool ran = false;
    int sent = 0;
    int arrived = 0;
    qint64 kernelDrops = 0;
    double msLastShown = 0;
    bool lastShown = false;
    // The sockets that got the answer, by number; the last one alone is right.
    QString answeredBy;
    bool answeredLast = false;
};
UdpPortsFigures RunUdpFromManyPorts(WindowUnderLoad &window, int rxFormat, int count, int size);

// A flood as fast as one sender goes, then one datagram from a port of its
// own, and an answer sent from the listening panel: how soon after the
// flood's end the box shows that datagram, and whether the answer goes to
// its sender. handlerUs adds so much work to the handling of each arrival,
// as a slower build would take.
struct UdpFloodFigures
{
    bool ran = false;
    int sent = 0;
    double sentPerSecond = 0;
    int arrived = 0;
    qint64 passedOver = 0;
    qint64 kernelDrops = 0;
    // From the flood's last datagram to the box painted with the one after
    // it, and how often that one was sent before one got through.
    double msCaughtUp = 0;
    int attempts = 0;
    bool answeredLast = false;
    double peakAddedMiB = 0;
};
UdpFloodFigures RunUdpFloodCatchUp(WindowUnderLoad &window, int count, int size, int handlerUs);

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
    // The box holds exactly the rendering of the last arrival's bytes.
    bool lastShownExactly = false;
    double mibPerSecond = 0;
    // Keys typed into the listening panel's transmit box while it lasts.
    int keysPosted = 0;
    int keysAnswered = 0;
    double medianKeyMs = 0;
    double p95KeyMs = 0;
    double slowestKeyMs = 0;
    // From the peer's last write: the last arrival painted, and the process
    // quiet (under a tenth of a core in every 50 ms from then on).
    double msShownAfterPushEnd = 0;
    double msIdleAfterPushEnd = 0;
};
PushFigures RunTcpPush(WindowUnderLoad &window, int rxFormat, qint64 bytes);

// Bytes that are all waiting in the kernel when the window first looks, so
// that they come as one arrival, or as few as the socket hands them over in.
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
