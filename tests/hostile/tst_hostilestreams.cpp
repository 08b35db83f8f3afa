// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FloodDatagram.h"
#include "HeldMemory.h"
#include "HostileWindow.h"
#include "Renderings.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

// Peers that send more than any user would type: a long TCP push, a flood
// of datagrams, the largest datagram there is.
class tst_HostileStreams : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        w = std::make_unique<WindowDriver>();
        QVERIFY(QTest::qWaitForWindowExposed(w->window));
        memory.start();
    }
    void cleanup();

    void shouldShowTheLastPieceOfATenMegabytePush();
    void shouldOutliveAFloodOfDatagrams_data();
    void shouldOutliveAFloodOfDatagrams();
    void shouldShowTheLargestDatagramWhole_data();
    void shouldShowTheLargestDatagramWhole();

private:
    std::unique_ptr<WindowDriver> w;
    MemoryWatch memory;
};

void tst_HostileStreams::cleanup()
{
    const qint64 growth = memory.growth(QTest::currentTestFunction());
    QVERIFY2(w->window, "the main window is gone");
    QVERIFY2(growth < allowedGrowth,
             qPrintable(QStringLiteral("the process holds %1 MiB more than at the start").arg(growth / (1024 * 1024))));
    w.reset();
}

void tst_HostileStreams::shouldShowTheLastPieceOfATenMegabytePush()
{
    constexpr qint64 total = 10 * 1024 * 1024;
    const quint16 port = listenOnSteadyPort(*w);
    QVERIFY(port);
    w->select(QStringLiteral("optionRxDataFormatLS"), 2);
    ArrivalCounter counter(w->listeningSocket());

    auto client = connectedClient(port);
    QVERIFY(client);
    QTRY_COMPARE(w->listeningSocket()->State(), int(EventSocket::StateConnected));
    client->write(streamSlice(0, total));
    QTRY_COMPARE_WITH_TIMEOUT(client->bytesToWrite(), qint64(0), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(counter.announced, total, 60000);
    qInfo("10 MiB came in %lld arrivals, the last of %d bytes", counter.arrivals, counter.lastCount);

    // The box holds the last arrival alone: the stream's tail, whole.
    const QString expected = hexRendering(streamSlice(total - counter.lastCount, counter.lastCount));
    const QString shown = w->text(QStringLiteral("txtReceivedDataLS"));
    QVERIFY2(shown == expected, firstDifference(shown, expected).constData());
    QCOMPARE(w->status(), StatusMessages::listeningReceivedFrom + peerName(*client));
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateConnected));

    // The connection still carries data both ways.
    client->write("\x01\x02", 2);
    QTRY_COMPARE(w->text(QStringLiteral("txtReceivedDataLS")), QStringLiteral("01 02 "));
    w->send(QStringLiteral("LS"), 0, QStringLiteral("done"));
    QCOMPARE(readExactly(*client, 4), QByteArray("done"));
}

void tst_HostileStreams::shouldOutliveAFloodOfDatagrams_data()
{
    QTest::addColumn<int>("handlerMicroseconds");
    QTest::newRow("each arrival handled at full speed") << 0;
    // As slow as a sanitizer build: the flood outruns the window many times
    // over, and the window must still catch up with the wire at its end.
    QTest::newRow("each arrival handled in a millisecond") << 1000;
}

void tst_HostileStreams::shouldOutliveAFloodOfDatagrams()
{
    QFETCH(int, handlerMicroseconds);
    constexpr quint32 floodSize = 100000;
    const quint16 port = listenOnSteadyPort(*w, 1);
    QVERIFY(port);
    w->select(QStringLiteral("optionRxDataFormatLS"), 2);
    ArrivalCounter counter(w->listeningSocket());
    qint64 torn = 0;
    QObject watcher;
    connect(w->listeningSocket(), &EventSocket::DataArrival, &watcher, [&torn, handlerMicroseconds](int bytesTotal) {
        if (bytesTotal != 8)
            ++torn;
        // Work the window's handler does beside its own, busy, as a slow build's would be.
        QElapsedTimer spent;
        spent.start();
        while (spent.nsecsElapsed() < qint64(handlerMicroseconds) * 1000) {
        }
    });

    QProcess flood;
    flood.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    flood.start(QStringLiteral(HOSTILE_UDP_FLOOD), {QString::number(port), QString::number(floodSize)});
    QVERIFY2(flood.waitForStarted(10000), qPrintable(flood.errorString()));

    // In the thick of it the window still answers: a posted event is served
    // and a click takes effect.
    QVERIFY(QTest::qWaitFor([&] { return counter.arrivals > 0 || flood.state() == QProcess::NotRunning; }, 30000));
    if (flood.state() != QProcess::NotRunning) {
        bool served = false;
        QTimer::singleShot(0, w->window, [&served] { served = true; });
        QTRY_VERIFY_WITH_TIMEOUT(served, 5000);
        w->select(QStringLiteral("optionTxtDataFormatLS"), 2);
        QCOMPARE(w->selected(QStringLiteral("optionTxtDataFormatLS")), 2);
        qInfo("the window answered while the flood went on, after %lld arrivals", counter.arrivals);
    }
    const QString midFlood = w->text(QStringLiteral("txtReceivedDataLS"));
    QVERIFY2(midFlood.isEmpty() || floodNumber(bytesOfHexRendering(midFlood)),
             qPrintable(QStringLiteral("not one whole datagram: ") + midFlood.left(80)));

    QTRY_VERIFY_WITH_TIMEOUT(flood.state() == QProcess::NotRunning, 90000);
    QCOMPARE(flood.exitStatus(), QProcess::NormalExit);
    QCOMPARE(flood.exitCode(), 0);
    qInfo("flood sender: %s", flood.readAllStandardOutput().trimmed().constData());

    // One more datagram, after all the others: once it is shown, nothing of
    // the flood waits any more. It is sent again until it gets through, since
    // a receive buffer still full of the flood may drop it.
    QUdpSocket last;
    const QByteArray closing = floodDatagram(floodSize);
    bool shown = false;
    for (int attempt = 0; attempt < 50 && !shown; ++attempt) {
        last.writeDatagram(closing, QHostAddress::LocalHost, port);
        shown =
            QTest::qWaitFor([&] { return w->text(QStringLiteral("txtReceivedDataLS")) == hexRendering(closing); }, 200);
    }
    QVERIFY2(shown, "the datagram sent after the flood never showed");
    qInfo("%lld of %u flood datagrams reached the window, %lld passed over", counter.arrivals - 1, floodSize,
          w->listeningSocket()->droppedDatagrams());
    QCOMPARE(torn, qint64(0));
    QCOMPARE(w->status(), StatusMessages::listeningReceivedFrom + peerName(last));
    QCOMPARE(w->statusColour(), blue);

    // The answer goes to the sender of that datagram, not to the flood.
    w->send(QStringLiteral("LS"), 0, QStringLiteral("answer"));
    QCOMPARE(w->status(), StatusMessages::listeningUdpSentTo + peerName(last));
    QCOMPARE(nextDatagram(last).data(), QByteArray("answer"));

    w->click(QStringLiteral("btnCloseLS"));
    QCOMPARE(w->status(), StatusMessages::notListening);
    QCOMPARE(w->statusColour(), black);
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateClosed));
}

void tst_HostileStreams::shouldShowTheLargestDatagramWhole_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("decimal") << 1;
    QTest::newRow("hex") << 2;
}

void tst_HostileStreams::shouldShowTheLargestDatagramWhole()
{
    QFETCH(int, format);
    // The largest payload an IPv4 datagram can carry.
    constexpr qint64 largest = 65507;
    const quint16 port = listenOnSteadyPort(*w, 1);
    QVERIFY(port);
    w->select(QStringLiteral("optionRxDataFormatLS"), format);
    ArrivalCounter counter(w->listeningSocket());

    QByteArray datagram(largest, Qt::Uninitialized);
    for (qint64 i = 0; i < largest; ++i)
        datagram[i] = char((i * 7 + 3) & 0xFF);
    QUdpSocket sender;
    QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, port), largest);
    QTRY_COMPARE_WITH_TIMEOUT(counter.arrivals, qint64(1), 10000);

    QCOMPARE(counter.lastCount, int(largest));
    const QString expected = format == 1 ? decimalRendering(datagram) : hexRendering(datagram);
    const QString shown = w->text(QStringLiteral("txtReceivedDataLS"));
    QVERIFY2(shown == expected, firstDifference(shown, expected).constData());
    QCOMPARE(w->status(), StatusMessages::listeningReceivedFrom + peerName(sender));
    QCOMPARE(w->statusColour(), blue);

    // The panel answers the sender with a datagram of the same size.
    w->select(QStringLiteral("optionTransportLS"), 1);
    w->select(QStringLiteral("optionTxtDataFormatLS"), 0);
    paste(*w, QStringLiteral("txtTransmitDataLS"), QString(largest, u'x'));
    w->click(QStringLiteral("btnSendLS"));
    QCOMPARE(w->status(), StatusMessages::listeningUdpSentTo + peerName(sender));
    const QNetworkDatagram answer = nextDatagram(sender);
    QCOMPARE(answer.data().size(), largest);
}

QTEST_MAIN(tst_HostileStreams)
#include "tst_hostilestreams.moc"
