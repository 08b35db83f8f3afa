// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The window under load: the real main window, offscreen, with its peers in
// a second copy of this program on loopback. Prints one table of figures
// beside the goals they are held to.
//
//   vortlane_bench_window [--quick] [--only udp,flood,push,one,startup,transmit,exit]
//                         [--transmit-kib N] [--transmit-paste-mb N] [--push-mb N]
//
// --quick sends a tenth of the datagrams and bytes, for a look in seconds.

#include "ExitDeadline.h"
#include "Peer.h"
#include "Report.h"
#include "Scenarios.h"
#include "StartUp.h"
#include "TransmitBox.h"
#include "WindowUnderLoad.h"

#include <QApplication>
#include <QCommandLineParser>

#include "formats/DataFormat.h"

#include <cstdio>

namespace {

QString yesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

void reportUdpBursts(Report &report, int count, int rate, int size)
{
    WindowUnderLoad window;
    for (int rxFormat : {1, 2}) {
        const UdpBurstFigures f = RunUdpBurst(window, rxFormat, count, rate, size);
        const QString scenario = QStringLiteral("UDP burst, %1: %2 datagrams of %3 bytes at %4/s")
                                     .arg(QLatin1String(dataFormatName(DataFormat(rxFormat))))
                                     .arg(count)
                                     .arg(size)
                                     .arg(rate);
        if (!f.ran) {
            report.add(scenario, QStringLiteral("did not finish"), {}, QStringLiteral("-"), 0);
            continue;
        }
        report.add(scenario, QStringLiteral("UI-thread CPU per arrival"), QStringLiteral("<= 10 us"),
                   Fixed(f.cpuPerArrivalUs, 2) + QStringLiteral(" us"), f.cpuPerArrivalUs <= 10);
        report.add({}, QStringLiteral("whole-process CPU per arrival"), QStringLiteral("<= 6 us"),
                   Fixed(f.processCpuPerArrivalUs, 2) + QStringLiteral(" us"), f.processCpuPerArrivalUs <= 6);
        report.add({}, QStringLiteral("arrived"), {},
                   QStringLiteral("%1 of %2 in %3 s").arg(f.arrived).arg(f.sent).arg(Fixed(f.seconds, 2)));
        report.add({}, QStringLiteral("longest event-loop stall"), {},
                   Fixed(f.longestStallMs, 1) + QStringLiteral(" ms"));
        report.add({}, QStringLiteral("paints: received box, status line"), QStringLiteral("throughout"),
                   QStringLiteral("%1, %2").arg(f.boxPaints).arg(f.statusPaints), f.boxPaints >= int(f.seconds * 10));
        report.add(
            {}, QStringLiteral("clicks answered, slowest"), QStringLiteral("all"),
            QStringLiteral("%1 of %2, %3 ms").arg(f.clicksAnswered).arg(f.clicksPosted).arg(Fixed(f.slowestClickMs, 1)),
            f.clicksPosted > 0 && f.clicksAnswered >= f.clicksPosted - 1);
        report.add({}, QStringLiteral("box shows the last datagram"), QStringLiteral("yes"), yesNo(f.lastShown),
                   f.lastShown);
    }
}

void reportUdpFromManyPorts(Report &report, int count, int size)
{
    WindowUnderLoad window;
    const UdpPortsFigures f = RunUdpFromManyPorts(window, 2, count, size);
    const QString scenario =
        QStringLiteral("UDP, Hex: %1 datagrams of %2 bytes from %1 ports, back to back").arg(count).arg(size);
    if (!f.ran) {
        report.add(scenario, QStringLiteral("did not finish"), {}, QStringLiteral("-"), 0);
        return;
    }
    report.add(scenario, QStringLiteral("arrived, dropped by the system"), {},
               QStringLiteral("%1 of %2, %3").arg(f.arrived).arg(f.sent).arg(f.kernelDrops));
    report.add({}, QStringLiteral("box shows the last datagram"), QStringLiteral("yes"),
               QStringLiteral("%1, painted %2 ms after it was sent").arg(yesNo(f.lastShown), Fixed(f.msLastShown, 1)),
               f.lastShown);
    report.add({}, QStringLiteral("the answer goes to its sender (port no.)"), QString::number(count - 1), f.answeredBy,
               f.answeredLast);
}

void reportUdpFastSender(Report &report, int count, int rate, int size, int receiveBuffer = 0)
{
    WindowUnderLoad window;
    const UdpBurstFigures f = RunUdpBurst(window, 2, count, rate, size, receiveBuffer);
    const QString scenario =
        QStringLiteral("UDP, Hex: %1 datagrams of %2 bytes, one sender at %3/s%4")
            .arg(count)
            .arg(size)
            .arg(rate)
            .arg(receiveBuffer > 0 ? QStringLiteral(", receive buffer %1 B").arg(receiveBuffer) : QString());
    if (!f.ran) {
        report.add(scenario, QStringLiteral("did not finish"), {}, QStringLiteral("-"), 0);
        return;
    }
    report.add(scenario, QStringLiteral("pace the sender reached"), QStringLiteral("> 200000/s"),
               QStringLiteral("%1/s").arg(qint64(f.sentPerSecond)), f.sentPerSecond > 200000);
    const double share = double(f.arrived) / f.sent;
    report.add(
        {}, QStringLiteral("arrived, dropped by the system"), QStringLiteral(">= 99%"),
        QStringLiteral("%1 of %2 (%3%), %4").arg(f.arrived).arg(f.sent).arg(Fixed(100 * share, 2)).arg(f.kernelDrops),
        share >= 0.99);
    report.add({}, QStringLiteral("whole-process CPU per arrival"), {},
               Fixed(f.processCpuPerArrivalUs, 2) + QStringLiteral(" us"));
    report.add({}, QStringLiteral("longest event-loop stall"), {}, Fixed(f.longestStallMs, 1) + QStringLiteral(" ms"));
    report.add({}, QStringLiteral("box shows the last datagram"), QStringLiteral("yes"), yesNo(f.lastShown),
               f.lastShown);
}

void reportUdpFloodCatchUp(Report &report, int count, int size)
{
    WindowUnderLoad window;
    // As the window handles each arrival, and a millisecond slower, as a
    // sanitizer build may be.
    for (int handlerUs : {0, 1000}) {
        const UdpFloodFigures f = RunUdpFloodCatchUp(window, count, size, handlerUs);
        const QString scenario =
            QStringLiteral("UDP flood, Hex: %1 datagrams of %2 bytes as fast as they go, then one from another port%3")
                .arg(count)
                .arg(size)
                .arg(handlerUs > 0 ? QStringLiteral(", each arrival %1 ms slower").arg(handlerUs / 1000.0) : QString());
        if (!f.ran) {
            report.add(scenario, QStringLiteral("did not finish"), {}, QStringLiteral("-"), 0);
            continue;
        }
        report.add(
            scenario, QStringLiteral("flood's end to the box showing the one after it"), QStringLiteral("< 250 ms"),
            QStringLiteral("%1 ms (sent %2 time(s))").arg(Fixed(f.msCaughtUp, 1)).arg(f.attempts), f.msCaughtUp < 250);
        report.add({}, QStringLiteral("the answer goes to its sender"), QStringLiteral("yes"), yesNo(f.answeredLast),
                   f.answeredLast);
        report.add({}, QStringLiteral("shown, passed over, dropped by the system"), {},
                   QStringLiteral("%1, %2, %3 of %4").arg(f.arrived).arg(f.passedOver).arg(f.kernelDrops).arg(f.sent));
        report.add({}, QStringLiteral("pace the sender reached"), {},
                   QStringLiteral("%1/s").arg(qint64(f.sentPerSecond)));
        report.add({}, QStringLiteral("memory added (peak)"), QStringLiteral("< 64 MB"),
                   Fixed(f.peakAddedMiB, 1) + QStringLiteral(" MiB"), f.peakAddedMiB * 1.048576 < 64);
    }
}

void reportUdpFloor(Report &report, int count, int rate, int size, int batchMs)
{
    const UdpFloorFigures f = RunUdpFloor(count, rate, size, batchMs);
    const QString scenario = batchMs == 0
                                 ? QStringLiteral("Floor: the same burst into a bare QUdpSocket, no window")
                                 : QStringLiteral("Floor: the same, read %1 ms after each notification").arg(batchMs);
    if (!f.ran) {
        report.add(scenario, QStringLiteral("did not finish"), {}, QStringLiteral("-"), 0);
        return;
    }
    report.add(scenario, QStringLiteral("UI-thread CPU per datagram"), {},
               Fixed(f.cpuPerDatagramUs, 2) + QStringLiteral(" us"));
    report.add({}, QStringLiteral("arrived, datagrams per wake-up"), {},
               QStringLiteral("%1 of %2, %3").arg(f.arrived).arg(count).arg(Fixed(f.datagramsPerWakeUp, 2)));
}

void reportPush(Report &report, qint64 bytes)
{
    WindowUnderLoad window;
    const PushFigures f = RunTcpPush(window, 2, bytes);
    const QString scenario = QStringLiteral("TCP push of %1 MB, Hex").arg(Fixed(bytes / 1e6, 0));
    if (!f.ran) {
        report.add(scenario, QStringLiteral("did not finish"), {}, QStringLiteral("-"), 0);
        return;
    }
    report.add(scenario, QStringLiteral("keys painted during it: median, 95%, slowest"), QStringLiteral("< 50 ms"),
               QStringLiteral("%1, %2, %3 ms (%4 of %5 keys)")
                   .arg(Fixed(f.medianKeyMs, 1), Fixed(f.p95KeyMs, 1), Fixed(f.slowestKeyMs, 1))
                   .arg(f.keysAnswered)
                   .arg(f.keysPosted),
               f.keysPosted > 0 && f.keysAnswered >= f.keysPosted - 1 && f.slowestKeyMs < 50);
    report.add({}, QStringLiteral("memory added (peak)"), QStringLiteral("< 64 MB"),
               QStringLiteral("%1 MiB (%2 MiB)").arg(Fixed(f.addedMiB, 1), Fixed(f.peakAddedMiB, 1)),
               std::max(f.addedMiB, f.peakAddedMiB) * 1.048576 < 64);
    report.add({}, QStringLiteral("box shows the last arrival, exactly"), QStringLiteral("yes"),
               yesNo(f.lastShownExactly), f.lastShownExactly);
    report.add({}, QStringLiteral("after the peer's last write: last arrival shown"), {},
               Fixed(f.msShownAfterPushEnd, 1) + QStringLiteral(" ms"));
    report.add({}, QStringLiteral("after the peer's last write: process idle"), QStringLiteral("< 1000 ms"),
               Fixed(f.msIdleAfterPushEnd, 1) + QStringLiteral(" ms"), f.msIdleAfterPushEnd < 1000);
    report.add({}, QStringLiteral("from the start: idle with the last arrival shown"), {},
               Fixed(f.msToIdle, 1) + QStringLiteral(" ms"));
    report.add({}, QStringLiteral("longest event-loop stall"), QStringLiteral("< 100 ms"),
               Fixed(f.longestStallMs, 1) + QStringLiteral(" ms"), f.longestStallMs < 100);
    report.add({}, QStringLiteral("arrivals, rate"), {},
               QStringLiteral("%1, %2 MiB/s").arg(f.arrivals).arg(Fixed(f.mibPerSecond, 1)));
    report.add(
        {}, QStringLiteral("clicks answered, slowest"), QStringLiteral("all"),
        QStringLiteral("%1 of %2, %3 ms").arg(f.clicksAnswered).arg(f.clicksPosted).arg(Fixed(f.slowestClickMs, 1)),
        f.clicksAnswered >= f.clicksPosted - 1);
    report.add({}, QStringLiteral("box shows the last arrival"), QStringLiteral("yes"), yesNo(f.lastShown),
               f.lastShown);
}

void reportOneArrival(Report &report, qint64 bytes)
{
    for (int rxFormat : {2, 1}) {
        WindowUnderLoad window;
        const OneArrivalFigures f = RunOneArrival(window, rxFormat, bytes);
        const QString scenario = QStringLiteral("One arrival of %1 KiB, %2")
                                     .arg(bytes / 1024)
                                     .arg(QLatin1String(dataFormatName(DataFormat(rxFormat))));
        if (!f.ran) {
            report.add(scenario, QStringLiteral("did not finish"), {}, QStringLiteral("-"), 0);
            continue;
        }
        report.add(scenario, QStringLiteral("box holds it, window painted"), QStringLiteral("< 50 ms"),
                   Fixed(f.msToPainted, 1) + QStringLiteral(" ms"), f.msToPainted < 50);
        report.add({}, QStringLiteral("memory added (peak)"), QStringLiteral("< 10 MB"),
                   QStringLiteral("%1 MiB (%2 MiB)").arg(Fixed(f.addedMiB, 1), Fixed(f.peakAddedMiB, 1)),
                   std::max(f.addedMiB, f.peakAddedMiB) * 1.048576 < 10);
        report.add({}, QStringLiteral("arrivals, the last shown exactly"), QStringLiteral("yes"),
                   QStringLiteral("%1 arrival(s), %2").arg(f.arrivals).arg(yesNo(f.shownExactly)), f.shownExactly);
    }
}

void reportTransmitBox(Report &report, qint64 kib, double pasteMb)
{
    const struct
    {
        TransmitText kind;
        const char *name;
    } kinds[] = {
        {TransmitText::HexLine, "one line"},
        {TransmitText::HexLines, "lines of 16 bytes"},
        {TransmitText::Unbroken, "digits alone, no spaces"},
    };
    for (const auto &kind : kinds) {
        const TransmitBoxFigures f = RunTransmitBox(kib * 1024, kind.kind, 20);
        const QString scenario = QStringLiteral("Transmit box: %1 KiB as Hex, %2 characters, %3")
                                     .arg(kib)
                                     .arg(f.characters)
                                     .arg(QLatin1String(kind.name));
        if (!f.ran) {
            report.add(scenario, QStringLiteral("did not finish"), {}, QStringLiteral("-"), 0);
            continue;
        }
        report.add(scenario, QStringLiteral("paste in the box and painted"), QStringLiteral("< 300 ms"),
                   Fixed(f.msPastedAndPainted, 1) + QStringLiteral(" ms"), f.msPastedAndPainted < 300);
        report.add({}, QStringLiteral("slowest key painted, at the end"), QStringLiteral("< 30 ms"),
                   Fixed(f.msSlowestKeyAtEnd, 1) + QStringLiteral(" ms"), f.msSlowestKeyAtEnd < 30);
        report.add({}, QStringLiteral("slowest key painted, at the start"), QStringLiteral("< 30 ms"),
                   Fixed(f.msSlowestKeyAtStart, 1) + QStringLiteral(" ms"), f.msSlowestKeyAtStart < 30);
        report.add({}, QStringLiteral("Send handed to the socket"), QStringLiteral("< 100 ms"),
                   Fixed(f.msSendHandedOver, 1) + QStringLiteral(" ms"), f.msSendHandedOver < 100);
        report.add({}, QStringLiteral("the peer got exactly the text's bytes"), QStringLiteral("yes"),
                   yesNo(f.sentExactly), f.sentExactly);
    }
    const TransmitBoxFigures f = RunTransmitPaste(qsizetype(pasteMb * 1e6));
    const QString scenario = QStringLiteral("Transmit box: paste of %1 characters, one line").arg(f.characters);
    if (!f.ran) {
        report.add(scenario, QStringLiteral("did not finish"), {}, QStringLiteral("-"), 0);
        return;
    }
    const double held = std::max(f.msPastedAndPainted, f.longestStallMs);
    report.add(scenario, QStringLiteral("window held, longest"), QStringLiteral("< 2000 ms"),
               Fixed(held, 1) + QStringLiteral(" ms"), held < 2000);
}

void reportStartUp(Report &report, int runs)
{
    const StartUpFigures f = MeasureStartUp(runs);
    const QString scenario = QStringLiteral("Start-up under %1, %2 runs").arg(f.display).arg(f.msToPainted.size());
    if (f.msToPainted.isEmpty()) {
        report.add(scenario, QStringLiteral("did not paint"), {}, QStringLiteral("-"), 0);
        return;
    }
    QStringList each;
    for (double ms : f.msToPainted)
        each << Fixed(ms, 0);
    report.add(scenario, QStringLiteral("process start to first paint, median"), QStringLiteral("< 100 ms"),
               Fixed(f.medianMs, 1) + QStringLiteral(" ms (") + each.join(u' ') + u')', f.medianMs < 100);
    const auto againstPlain = [&](const QList<double> &msToPainted, double medianMs, const QString &window,
                                  bool withGoal) {
        if (msToPainted.isEmpty())
            return;
        QStringList plainEach;
        for (double ms : msToPainted)
            plainEach << Fixed(ms, 0);
        report.add({}, window + QStringLiteral(", median"), {},
                   Fixed(medianMs, 1) + QStringLiteral(" ms (") + plainEach.join(u' ') + u')');
        const double ratio = f.medianMs / medianMs;
        report.add({}, QStringLiteral("ours against it"), withGoal ? QStringLiteral("<= 1.15x") : QString(),
                   Fixed(ratio, 2) + u'x', withGoal ? int(ratio <= 1.15) : -1);
    };
    againstPlain(f.bareMsToPainted, f.bareMedianMs, QStringLiteral("plain Qt window, same widgets"), true);
    againstPlain(f.bareNetworkMsToPainted, f.bareNetworkMedianMs, QStringLiteral("the same with Qt Network loaded too"),
                 false);
    report.add({}, QStringLiteral("resident memory at first paint"), QStringLiteral("< 40 MB"),
               Fixed(f.residentMiB, 1) + QStringLiteral(" MiB"), f.residentMiB * 1.048576 < 40);
    if (f.programResidentMiB >= 0)
        report.add({}, QStringLiteral("vortlane itself, 1 s after launch"), QStringLiteral("< 40 MB"),
                   Fixed(f.programResidentMiB, 1) + QStringLiteral(" MiB"), f.programResidentMiB * 1.048576 < 40);
}

void reportExit(Report &report, qint64 bytes)
{
    const ExitFigures f = MeasureExit(bytes);
    const QString scenario =
        QStringLiteral("File > Exit owing %1 MB to a peer that never reads").arg(Fixed(bytes / 1e6, 0));
    if (!f.ran) {
        report.add(scenario, QStringLiteral("did not finish"), {}, QStringLiteral("-"), 0);
        return;
    }
    report.add(scenario, QStringLiteral("close request to process end"), QStringLiteral("< 5000 ms"),
               Fixed(f.msToProcessEnd, 1) + QStringLiteral(" ms"), f.msToProcessEnd < 5000);
    report.add({}, QStringLiteral("the peer read, then saw"), QStringLiteral("a reset"),
               QStringLiteral("%1 of %2 bytes, %3")
                   .arg(f.delivered)
                   .arg(f.sent)
                   .arg(f.peerSawReset ? QStringLiteral("a reset") : QStringLiteral("an orderly end")),
               f.peerSawReset || f.delivered == f.sent);
}

} // namespace

int main(int argc, char *argv[])
{
    if (IsPeerMode(argc, argv))
        return RunPeer(argc, argv);
    if (IsStartUpChild(argc, argv))
        return RunStartUpChild(argc, argv);
    if (IsCloseChild(argc, argv))
        return RunCloseChild(argc, argv);

    // The window under load runs offscreen; start-up is measured in children
    // on a display of their own.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The Vortlane main window under load."));
    parser.addHelpOption();
    const QCommandLineOption quick(QStringLiteral("quick"),
                                   QStringLiteral("A tenth of the traffic, for a quick look."));
    const QCommandLineOption only(QStringLiteral("only"),
                                  QStringLiteral("Scenarios to run: udp, flood, push, one, startup, transmit, exit."),
                                  QStringLiteral("list"), QStringLiteral("udp,flood,push,one,startup,transmit,exit"));
    const QCommandLineOption transmitKib(QStringLiteral("transmit-kib"),
                                         QStringLiteral("Data pasted into the transmit box as Hex."),
                                         QStringLiteral("KiB"), QStringLiteral("1024"));
    const QCommandLineOption transmitPasteMb(QStringLiteral("transmit-paste-mb"),
                                             QStringLiteral("The largest paste, in millions of characters."),
                                             QStringLiteral("MB"), QStringLiteral("10"));
    const QCommandLineOption pushMb(QStringLiteral("push-mb"),
                                    QStringLiteral("What the TCP peer pushes, in millions of bytes."),
                                    QStringLiteral("MB"), QStringLiteral("1000"));
    parser.addOptions({quick, only, transmitKib, transmitPasteMb, pushMb});
    parser.process(application);
    const QStringList scenarios = parser.value(only).split(u',');
    const int scale = parser.isSet(quick) ? 10 : 1;

    std::printf("Vortlane window benchmark: the real main window offscreen, peers in another process on 127.0.0.1\n\n");
    std::fflush(stdout);
    Report report;
    if (scenarios.contains(QLatin1String("startup")))
        reportStartUp(report, 15);
    if (scenarios.contains(QLatin1String("one")))
        reportOneArrival(report, 1 << 20);
    if (scenarios.contains(QLatin1String("udp"))) {
        reportUdpBursts(report, 100000 / scale, 10000, 32);
        reportUdpFloor(report, 100000 / scale, 10000, 32, 0);
        reportUdpFloor(report, 100000 / scale, 10000, 32, 2);
        reportUdpFromManyPorts(report, 500, 32);
        reportUdpFastSender(report, 100000 / scale, 250000, 16);
        // What a system grants that leaves net.core.rmem_max at its default.
        reportUdpFastSender(report, 100000 / scale, 250000, 16, 212992);
    }
    if (scenarios.contains(QLatin1String("flood")))
        reportUdpFloodCatchUp(report, 1000000 / scale, 16);
    if (scenarios.contains(QLatin1String("push")))
        reportPush(report, qint64(parser.value(pushMb).toDouble() * 1e6) / scale);
    if (scenarios.contains(QLatin1String("transmit")))
        reportTransmitBox(report, parser.value(transmitKib).toLongLong() / scale,
                          parser.value(transmitPasteMb).toDouble() / scale);
    if (scenarios.contains(QLatin1String("exit")))
        reportExit(report, 6000000);
    report.print();
    return 0;
}
