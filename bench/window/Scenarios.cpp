// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Scenarios.h"

#include "Payload.h"
#include "Probes.h"
#include "WindowUnderLoad.h"

#include "formats/ReceivedRendering.h"
#include "socket/EventSocket.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QUdpSocket>

#include <sys/socket.h>

#include <memory>

namespace {

constexpr qint64 msNs = 1000000;
constexpr double mib = 1024.0 * 1024.0;

// Where the thread's CPU time is the figure, the loop is looked at and
// clicked seldom, so that looking costs next to nothing.
constexpr int sparseTickMs = 10;
constexpr int clickEveryMs = 250;
// Keys come faster than a typist's, so that even a push of a second or two
// meets a few dozen of them; one waits for the last to be painted.
constexpr int keyEveryMs = 25;

// Buttons that a user may click while data pours in: the outgoing panel's
// Tx format, which changes nothing the listening panel shows.
QList<QAbstractButton *> harmlessButtons(const WindowUnderLoad &window)
{
    return {window.button(QStringLiteral("optionTxtDataFormatOS_1")),
            window.button(QStringLiteral("optionTxtDataFormatOS_2"))};
}

QStringList peerArguments(const char *mode, std::initializer_list<qint64> numbers)
{
    QStringList arguments{QString::fromLatin1(mode)};
    for (qint64 number : numbers)
        arguments << QString::number(number);
    return arguments;
}

bool waitUntilConnected(WindowUnderLoad &window)
{
    return RunLoopUntil([&] { return window.listeningSocket()->State() == EventSocket::StateConnected; }, 5000).done;
}

} // namespace

UdpBurstFigures RunUdpBurst(WindowUnderLoad &window, int rxFormat, int count, int rate, int size, int receiveBuffer)
{
    UdpBurstFigures figures;
    const int port = window.listen(1, rxFormat);
    // As small a receive buffer as a system that grants no more leaves.
    if (auto *socket = window.listeningSocket()->findChild<QUdpSocket *>(); socket && receiveBuffer > 0)
        setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    PeerProcess peer(peerArguments("--peer-udp", {port, count, rate, size}));
    if (!peer.ready()) {
        window.closeListening();
        return figures;
    }
    window.resetArrivals();
    const int paintsBefore = window.boxPaints()->count;
    const int statusPaintsBefore = window.statusPaints()->count;
    ClickProbe clicks(harmlessButtons(window), clickEveryMs);

    const qint64 startNs = MonotonicNs();
    const qint64 cpuBefore = ThreadCpuNs();
    const qint64 processCpuBefore = ProcessCpuNs();
    peer.go();
    const auto finished = [&] {
        const bool allIn = window.arrivals >= count;
        const bool shown = window.boxPaints()->lastDoneNs > window.lastArrivalNs;
        // Datagrams that the kernel dropped never come: a quiet spell after
        // the peer is done ends the burst too.
        const bool quiet = peer.sent() && MonotonicNs() - std::max(window.lastArrivalNs, startNs) > 300 * msNs;
        return (allIn && shown) || quiet;
    };
    const LoopOutcome outcome =
        RunLoopUntil(finished, 2000 * (count / std::max(rate, 100000)) + 20000, false, sparseTickMs);
    const qint64 cpu = ThreadCpuNs() - cpuBefore;
    const qint64 processCpu = ProcessCpuNs() - processCpuBefore;

    figures.ran = outcome.done;
    figures.processCpuPerArrivalUs = window.arrivals ? double(processCpu) / 1000.0 / window.arrivals : 0;
    const qint64 firstSentNs = peer.sentFigure("first");
    const qint64 lastSentNs = peer.sentFigure("last");
    figures.sentPerSecond = lastSentNs > firstSentNs ? double(count - 1) * 1e9 / double(lastSentNs - firstSentNs) : 0;
    figures.kernelDrops = KernelDatagramDrops(port);
    figures.sent = count;
    figures.arrived = window.arrivals;
    figures.seconds = double(MonotonicNs() - startNs) / 1e9;
    figures.cpuPerArrivalUs = window.arrivals ? double(cpu) / 1000.0 / window.arrivals : 0;
    figures.longestStallMs = double(outcome.longestStallNs) / msNs;
    figures.boxPaints = window.boxPaints()->count - paintsBefore;
    figures.statusPaints = window.statusPaints()->count - statusPaintsBefore;
    figures.clicksPosted = clicks.posted;
    figures.clicksAnswered = clicks.answered;
    figures.slowestClickMs = double(clicks.slowestNs) / msNs;
    figures.lastShown =
        window.boxText() == RenderReceivedData(BenchPayload(quint64(count - 1), size), size, DataFormat(rxFormat));
    window.closeListening();
    return figures;
}

UdpPortsFigures RunUdpFromManyPorts(WindowUnderLoad &window, int rxFormat, int count, int size)
{
    UdpPortsFigures figures;
    const int port = window.listen(1, rxFormat);
    PeerProcess peer(peerArguments("--peer-udp-ports", {port, count, size}));
    if (!peer.ready()) {
        window.closeListening();
        return figures;
    }
    window.resetArrivals();
    const qint64 startNs = MonotonicNs();
    peer.go();
    const LoopOutcome outcome = RunLoopUntil(
        [&] {
            const bool allIn = window.arrivals >= count && window.boxPaints()->lastDoneNs > window.lastArrivalNs;
            const bool quiet = peer.sent() && MonotonicNs() - std::max(window.lastArrivalNs, startNs) > 300 * msNs;
            return allIn || quiet;
        },
        10000);
    figures.sent = int(peer.sentFigure("sent"));
    figures.arrived = window.arrivals;
    figures.kernelDrops = KernelDatagramDrops(port);
    figures.msLastShown = double(window.boxPaints()->lastDoneNs - peer.sentFigure("last")) / msNs;
    figures.lastShown =
        window.boxText() == RenderReceivedData(BenchPayload(quint64(count - 1), size), size, DataFormat(rxFormat));

    // The answer: typed into the listening panel's box and sent as it stands.
    window.button(QStringLiteral("optionTxtDataFormatLS_0"))->click();
    window.child(QStringLiteral("txtTransmitDataLS"))->setProperty("plainText", QStringLiteral("answer"));
    window.button(QStringLiteral("btnSendLS"))->click();
    const QByteArray answered = peer.ask("check", 5000);
    QStringList by;
    for (const QByteArray &word : answered.split(' ').mid(1))
        by << QString::fromLatin1(word.left(word.indexOf(':')));
    figures.answeredBy = by.isEmpty() ? QStringLiteral("none") : by.join(u',');
    figures.answeredLast = answered == "answered " + QByteArray::number(count - 1) + ":answer";
    figures.ran = outcome.done && answered.startsWith("answered");
    window.closeListening();
    return figures;
}

UdpFloodFigures RunUdpFloodCatchUp(WindowUnderLoad &window, int count, int size, int handlerUs)
{
    UdpFloodFigures figures;
    const int port = window.listen(1, 2);
    PeerProcess peer(peerArguments("--peer-udp", {port, count, 0, size}));
    QUdpSocket newcomer;
    if (!peer.ready() || !newcomer.bind(QHostAddress::LocalHost, 0)) {
        window.closeListening();
        return figures;
    }
    // Connected after the window's own handler, so it lengthens each arrival.
    QObject slowness;
    QObject::connect(window.listeningSocket(), &EventSocket::DataArrival, &slowness, [handlerUs] {
        QElapsedTimer spent;
        spent.start();
        while (spent.nsecsElapsed() < qint64(handlerUs) * 1000) {
        }
    });
    window.resetArrivals();
    const QByteArray after = BenchPayload(quint64(count), size);
    const QString afterShown = RenderReceivedData(after, size, DataFormat::Hex);
    const qint64 residentBefore = ResidentBytes();
    peer.go();
    const LoopOutcome flood = RunLoopUntil([&] { return peer.sent(); }, 120000, true);
    // The datagram after the flood is sent again every few milliseconds
    // until it shows, since the system may drop it while the reader still
    // works through the flood; the time runs from the flood's end all the same.
    LoopOutcome caughtUp;
    while (flood.done && !caughtUp.done && figures.attempts < 100) {
        ++figures.attempts;
        newcomer.writeDatagram(after, QHostAddress::LocalHost, port);
        caughtUp = RunLoopUntil(
            [&] { return window.boxText() == afterShown && window.boxPaints()->lastDoneNs > window.lastArrivalNs; }, 20,
            true);
    }
    figures.msCaughtUp = double(window.boxPaints()->lastDoneNs - peer.sentFigure("last")) / msNs;
    figures.peakAddedMiB = double(std::max(flood.peakResidentBytes, caughtUp.peakResidentBytes) - residentBefore) / mib;
    const qint64 firstSentNs = peer.sentFigure("first");
    const qint64 lastSentNs = peer.sentFigure("last");
    figures.sentPerSecond = lastSentNs > firstSentNs ? double(count - 1) * 1e9 / double(lastSentNs - firstSentNs) : 0;
    figures.sent = int(peer.sentFigure("sent"));
    figures.arrived = window.arrivals;
    figures.passedOver = window.listeningSocket()->droppedDatagrams();
    figures.kernelDrops = KernelDatagramDrops(port);

    // The answer, sent as soon as the box shows the datagram after the flood.
    window.button(QStringLiteral("optionTxtDataFormatLS_0"))->click();
    window.child(QStringLiteral("txtTransmitDataLS"))->setProperty("plainText", QStringLiteral("answer"));
    window.button(QStringLiteral("btnSendLS"))->click();
    figures.answeredLast = newcomer.waitForReadyRead(2000) && newcomer.receiveDatagram().data() == "answer";
    figures.ran = caughtUp.done;
    window.closeListening();
    return figures;
}

UdpFloorFigures RunUdpFloor(int count, int rate, int size, int batchMs)
{
    UdpFloorFigures figures;
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::LocalHost, 0))
        return figures;
    int arrived = 0;
    int wakeUps = 0;
    qint64 lastArrivalNs = 0;
    const auto drain = [&] {
        ++wakeUps;
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = socket.receiveDatagram();
            ++arrived;
        }
        lastArrivalNs = MonotonicNs();
    };
    QTimer batch;
    batch.setSingleShot(true);
    batch.setTimerType(Qt::PreciseTimer);
    QObject::connect(&batch, &QTimer::timeout, &socket, drain);
    // Qt does not announce the socket again until it is read, so while the
    // batch waits the thread sleeps.
    QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&] {
        if (batchMs == 0)
            drain();
        else if (!batch.isActive())
            batch.start(batchMs);
    });
    PeerProcess peer(peerArguments("--peer-udp", {socket.localPort(), count, rate, size}));
    if (!peer.ready())
        return figures;
    const qint64 startNs = MonotonicNs();
    const qint64 cpuBefore = ThreadCpuNs();
    peer.go();
    const LoopOutcome outcome = RunLoopUntil(
        [&] {
            return arrived >= count || (peer.sent() && MonotonicNs() - std::max(lastArrivalNs, startNs) > 300 * msNs);
        },
        2000 * (count / rate) + 20000, false, sparseTickMs);
    const qint64 cpu = ThreadCpuNs() - cpuBefore;
    figures.ran = outcome.done;
    figures.arrived = arrived;
    figures.cpuPerDatagramUs = arrived ? double(cpu) / 1000.0 / arrived : 0;
    figures.datagramsPerWakeUp = wakeUps ? double(arrived) / wakeUps : 0;
    return figures;
}

PushFigures RunTcpPush(WindowUnderLoad &window, int rxFormat, qint64 bytes)
{
    PushFigures figures;
    const int port = window.listen(0, rxFormat);
    PeerProcess peer(peerArguments("--peer-tcp", {port, bytes}));
    if (!peer.ready() || !waitUntilConnected(window)) {
        window.closeListening();
        return figures;
    }
    window.resetArrivals();
    auto keys = std::make_unique<KeyProbe>(window.child(QStringLiteral("txtTransmitDataLS")), keyEveryMs);
    ClickProbe clicks(harmlessButtons(window), clickEveryMs);
    // The process's CPU time, looked at on every tick, to see when it falls quiet.
    QList<std::pair<qint64, qint64>> cpuSamples;
    const auto sampleCpu = [&] { cpuSamples.append({MonotonicNs(), ProcessCpuNs()}); };
    const qint64 residentBefore = ResidentBytes();
    const qint64 startNs = MonotonicNs();
    peer.go();
    LoopOutcome outcome = RunLoopUntil(
        [&] {
            sampleCpu();
            return window.bytesArrived >= bytes && window.boxPaints()->lastDoneNs > window.lastArrivalNs;
        },
        std::max<int>(60000, int(bytes / 5000)), true);
    figures.keysPosted = keys->posted;
    figures.keysAnswered = keys->answered;
    figures.medianKeyMs = keys->medianMs();
    figures.p95KeyMs = keys->percentileMs(0.95);
    figures.slowestKeyMs = keys->slowestMs();
    keys.reset();
    // A second more, to see the process fall quiet, on sparse ticks.
    const qint64 doneNs = MonotonicNs();
    const LoopOutcome after = RunLoopUntil(
        [&] {
            sampleCpu();
            return MonotonicNs() - doneNs > 1000 * msNs;
        },
        5000, true, sparseTickMs);
    outcome.longestStallNs = std::max(outcome.longestStallNs, after.longestStallNs);
    outcome.peakResidentBytes = std::max(outcome.peakResidentBytes, after.peakResidentBytes);
    peer.waitUntilSent(5000);
    const qint64 pushEndNs = peer.sentFigure("last-write");
    // The quiet starts after the last 50 ms in which the process took a tenth of a core or more.
    qint64 quietFromNs = startNs;
    for (qsizetype from = 0, to = 0; to < cpuSamples.size(); ++to) {
        if (cpuSamples.at(to).first - cpuSamples.at(from).first < 50 * msNs)
            continue;
        const qint64 wall = cpuSamples.at(to).first - cpuSamples.at(from).first;
        if ((cpuSamples.at(to).second - cpuSamples.at(from).second) * 10 >= wall)
            quietFromNs = cpuSamples.at(to).first;
        from = to;
    }
    figures.msIdleAfterPushEnd = double(quietFromNs - pushEndNs) / msNs;
    figures.msShownAfterPushEnd = double(window.boxPaints()->lastDoneNs - pushEndNs) / msNs;
    figures.mibPerSecond = double(window.bytesArrived) / mib / (double(window.lastArrivalNs - startNs) / 1e9);

    figures.ran = outcome.done && pushEndNs > 0;
    figures.arrivals = window.arrivals;
    figures.msToIdle = double(window.boxPaints()->lastDoneNs - startNs) / msNs;
    figures.longestStallMs = double(outcome.longestStallNs) / msNs;
    figures.addedMiB = double(ResidentBytes() - residentBefore) / mib;
    figures.peakAddedMiB = double(outcome.peakResidentBytes - residentBefore) / mib;
    figures.clicksPosted = clicks.posted;
    figures.clicksAnswered = clicks.answered;
    figures.slowestClickMs = double(clicks.slowestNs) / msNs;
    // Hex shows each byte as three characters.
    const QString shown = window.boxText();
    figures.lastShown = shown.size() == 3 * qsizetype(window.lastBytesTotal);
    const qint64 lastOffset = window.bytesArrived - window.lastBytesTotal;
    figures.lastShownExactly = window.bytesArrived == bytes
                               && shown
                                      == RenderReceivedData(BenchStream(7, lastOffset, window.lastBytesTotal),
                                                            window.lastBytesTotal, DataFormat(rxFormat));
    window.closeListening();
    return figures;
}

OneArrivalFigures RunOneArrival(WindowUnderLoad &window, int rxFormat, qint64 bytes)
{
    OneArrivalFigures figures;
    const int port = window.listen(0, rxFormat);
    // Room in the kernel for every byte before the window reads any: an
    // accepted connection takes its receive buffer from the listener.
    if (auto *server = window.listeningSocket()->findChild<QTcpServer *>()) {
        const int room = int(std::min<qint64>(4 * bytes, 4 << 20));
        setsockopt(int(server->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
    }
    PeerProcess peer(peerArguments("--peer-tcp", {port, bytes}));
    if (!peer.ready() || !waitUntilConnected(window)) {
        window.closeListening();
        return figures;
    }
    window.resetArrivals();
    const qint64 residentBefore = ResidentBytes();
    peer.go();
    // The window's thread waits here on purpose, so that it finds all the
    // bytes at once.
    if (!peer.waitUntilSent(10000)) {
        window.closeListening();
        return figures;
    }
    const qint64 startNs = MonotonicNs();
    const LoopOutcome outcome = RunLoopUntil(
        [&] { return window.bytesArrived >= bytes && window.boxPaints()->lastDoneNs > window.lastArrivalNs; }, 10000,
        true);

    figures.ran = outcome.done;
    figures.arrivals = window.arrivals;
    figures.msToPainted = double(window.boxPaints()->lastDoneNs - startNs) / msNs;
    figures.addedMiB = double(ResidentBytes() - residentBefore) / mib;
    figures.peakAddedMiB = double(outcome.peakResidentBytes - residentBefore) / mib;
    // The socket may hand a stream over in pieces: the box shows the last
    // piece alone, exactly.
    const qint64 lastOffset = window.bytesArrived - window.lastBytesTotal;
    figures.shownExactly = window.bytesArrived == bytes
                           && window.boxText()
                                  == RenderReceivedData(BenchStream(7, lastOffset, window.lastBytesTotal),
                                                        window.lastBytesTotal, DataFormat(rxFormat));
    window.closeListening();
    return figures;
}
