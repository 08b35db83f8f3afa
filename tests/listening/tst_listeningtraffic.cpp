// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/WindowDriver.h"

#include "formats/TokenReading.h"

// What passes through the listening panel: arrivals shown, typed data sent.
class tst_ListeningTraffic : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = std::make_unique<WindowDriver>(); }
    void cleanup()
    {
        peer.reset();
        w.reset();
    }

    void shouldExchangeTheGreeting();
    void shouldRenderInTheRxFormatOfTheMoment_data();
    void shouldRenderInTheRxFormatOfTheMoment();
    void secondArrivalShouldReplaceTheFirst();
    void switchingFormatsShouldChangeNothingAtOnce();
    void shouldSendExactBytes_data();
    void shouldSendExactBytes();
    void parseErrorShouldComeBeforeTheConnectionError();
    void shouldKeepTheBoxWithoutAPeer();
    void shouldEndSilentlyOnAnEmptyHexToken();
    void shouldNameEachUdpSender();
    void shouldShowAnEmptyDatagramAsNothing();
    void shouldAnswerTheLatestUdpSender_data();
    void shouldAnswerTheLatestUdpSender();
    void udpSendWithNoSenderYetShouldEndSilently();
    void refusedUdpSendShouldBeReported();

private:
    std::unique_ptr<WindowDriver> w;
    std::unique_ptr<QTcpSocket> peer;
};

void tst_ListeningTraffic::shouldExchangeTheGreeting()
{
    peer = w->connectToListeningPanel();
    QVERIFY(peer);
    peer->write(QByteArray("\x48\x69"));
    QTRY_COMPARE(w->text("txtReceivedDataLS"), QStringLiteral("Hi"));
    QCOMPARE(w->status(), StatusMessages::listeningReceivedFrom + peerName(*peer));
    QCOMPARE(w->statusColour(), blue);

    w->send(QStringLiteral("LS"), 1, QStringLiteral("72 105"));
    QCOMPARE(readExactly(*peer, 2), QByteArray("\x48\x69"));
    QCOMPARE(w->status(), StatusMessages::listeningTcpSentTo + peerName(*peer));
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(w->text("txtTransmitDataLS"), QString());
}

void tst_ListeningTraffic::shouldRenderInTheRxFormatOfTheMoment_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("string") << 0 << QByteArray("AB") << QStringLiteral("AB");
    QTest::newRow("string, line break") << 0 << QByteArray("Hello\r\n") << QStringLiteral("Hello\n");
    QTest::newRow("decimal") << 1 << QByteArray("AB") << QStringLiteral("65 66 ");
    QTest::newRow("hex") << 2 << QByteArray("AB") << QStringLiteral("41 42 ");
    QTest::newRow("decimal, extremes") << 1 << QByteArray("\x00\x0a\xff", 3) << QStringLiteral("0 10 255 ");
    QTest::newRow("hex, extremes") << 2 << QByteArray("\x00\x0a\xff", 3) << QStringLiteral("00 0A FF ");
}

void tst_ListeningTraffic::shouldRenderInTheRxFormatOfTheMoment()
{
    QFETCH(int, format);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    peer = w->connectToListeningPanel();
    QVERIFY(peer);
    w->select("optionRxDataFormatLS", format);
    peer->write(bytes);
    QTRY_COMPARE(w->text("txtReceivedDataLS"), shown);
}

void tst_ListeningTraffic::secondArrivalShouldReplaceTheFirst()
{
    peer = w->connectToListeningPanel();
    QVERIFY(peer);
    peer->write("first");
    QTRY_COMPARE(w->text("txtReceivedDataLS"), QStringLiteral("first"));
    w->window->SetStatus(QStringLiteral("something else"), StatusColour::black);
    peer->write("2nd");
    QTRY_COMPARE(w->text("txtReceivedDataLS"), QStringLiteral("2nd"));
    QCOMPARE(w->status(), StatusMessages::listeningReceivedFrom + peerName(*peer));
}

void tst_ListeningTraffic::switchingFormatsShouldChangeNothingAtOnce()
{
    peer = w->connectToListeningPanel();
    QVERIFY(peer);
    peer->write("AB");
    QTRY_COMPARE(w->text("txtReceivedDataLS"), QStringLiteral("AB"));
    const QString status = w->status();
    w->type("txtTransmitDataLS", QStringLiteral("  ff 0a  "));

    for (int format : {2, 1, 0, 2}) {
        w->select("optionRxDataFormatLS", format);
        w->select("optionTxtDataFormatLS", format);
    }
    QCOMPARE(w->text("txtReceivedDataLS"), QStringLiteral("AB"));
    QCOMPARE(w->text("txtTransmitDataLS"), QStringLiteral("  ff 0a  "));
    QCOMPARE(w->status(), status);

    // The next arrival uses the format selected by then.
    peer->write("AB");
    QTRY_COMPARE(w->text("txtReceivedDataLS"), QStringLiteral("41 42 "));
}

void tst_ListeningTraffic::shouldSendExactBytes_data()
{
    QTest::addColumn<int>("transport");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("string as typed") << 0 << 0 << QStringLiteral("  word  ") << QByteArray("  word  ");
    QTest::newRow("string, latin-1") << 0 << 0 << QStringLiteral("\u00e9\u00ff") << QByteArray("\xe9\xff");
    QTest::newRow("string, beyond latin-1") << 0 << 0 << QStringLiteral("\u20ac") << QByteArray("?");
    QTest::newRow("string, no-break space") << 0 << 0 << QStringLiteral("a\u00a0b")
                                            << QByteArray("a\xa0"
                                                          "b");
    QTest::newRow("string, enter and shift+enter") << 0 << 0 << QStringLiteral("a\nb\rc") << QByteArray("a\r\nb\r\nc");
    QTest::newRow("decimal") << 0 << 1 << QStringLiteral("  65 66  ") << QByteArray("AB");
    QTest::newRow("decimal, extremes") << 0 << 1 << QStringLiteral("0 255") << QByteArray("\x00\xff", 2);
    QTest::newRow("hex, lower case") << 0 << 2 << QStringLiteral("ff 0a 7") << QByteArray("\xff\x0a\x07");
    // An empty send is still made and reported; the next byte the peer sees
    // is the one sent next.
    QTest::newRow("string, empty") << 0 << 0 << QString() << QByteArray();
    QTest::newRow("decimal, spaces only") << 0 << 1 << QStringLiteral("   ") << QByteArray();
    QTest::newRow("hex, spaces only") << 0 << 2 << QStringLiteral(" ") << QByteArray();
    // The transport is read at the click: over the connection it has.
    QTest::newRow("udp selected over a tcp peer") << 1 << 0 << QStringLiteral("abc") << QByteArray("abc");
}

void tst_ListeningTraffic::shouldSendExactBytes()
{
    QFETCH(int, transport);
    QFETCH(int, format);
    QFETCH(QString, typed);
    QFETCH(QByteArray, wire);
    peer = w->connectToListeningPanel();
    QVERIFY(peer);
    w->select("optionTransportLS", transport);
    w->markStatus();
    w->send(QStringLiteral("LS"), format, typed);
    QCOMPARE(w->text("txtTransmitDataLS"), QString());
    QCOMPARE(w->status(), (transport == 0 ? StatusMessages::listeningTcpSentTo : StatusMessages::listeningUdpSentTo)
                              + peerName(*peer));
    QCOMPARE(w->statusColour(), blue);
    w->send(QStringLiteral("LS"), 0, QStringLiteral("."));
    QCOMPARE(readExactly(*peer, wire.size() + 1), wire + '.');
}

void tst_ListeningTraffic::parseErrorShouldComeBeforeTheConnectionError()
{
    w->send(QStringLiteral("LS"), 1, QStringLiteral(" 1 256 "));
    QCOMPARE(w->status(), parseErrorMessage(TokenVerdict::OutOfRange));
    QCOMPARE(w->statusColour(), red);
    QCOMPARE(w->text("txtTransmitDataLS"), QStringLiteral("1 256"));
}

void tst_ListeningTraffic::shouldKeepTheBoxWithoutAPeer()
{
    w->listenOnFreePort();
    w->send(QStringLiteral("LS"), 2, QStringLiteral("  ab cd"));
    QCOMPARE(w->status(), StatusMessages::listeningNoPeer);
    QCOMPARE(w->statusColour(), red);
    QCOMPARE(w->text("txtTransmitDataLS"), QStringLiteral("AB CD"));
}

void tst_ListeningTraffic::shouldEndSilentlyOnAnEmptyHexToken()
{
    peer = w->connectToListeningPanel();
    QVERIFY(peer);
    const QString status = w->status();
    w->send(QStringLiteral("LS"), 2, QStringLiteral("A  B"));
    QCOMPARE(w->status(), status);
    QCOMPARE(w->text("txtTransmitDataLS"), QStringLiteral("A  B"));
    // Nothing went out: the next byte the peer sees is the one sent next.
    w->type("txtTransmitDataLS", QStringLiteral("7"));
    w->click("btnSendLS");
    QCOMPARE(readExactly(*peer, 1), QByteArray("\x07"));
}

void tst_ListeningTraffic::shouldNameEachUdpSender()
{
    const quint16 port = w->listenOnFreePort(1);
    QUdpSocket first, second;
    for (QUdpSocket *sender : {&first, &second, &first}) {
        const QByteArray datagram = "from " + QByteArray::number(sender->localPort());
        sender->writeDatagram(datagram, QHostAddress::LocalHost, port);
        QTRY_COMPARE(w->status(), StatusMessages::listeningReceivedFrom + peerName(*sender));
        QCOMPARE(w->text("txtReceivedDataLS"), QString::fromLatin1(datagram));
    }
}

void tst_ListeningTraffic::shouldShowAnEmptyDatagramAsNothing()
{
    const quint16 port = w->listenOnFreePort(1);
    QUdpSocket sender;
    for (int format : {0, 1, 2}) {
        w->select("optionRxDataFormatLS", format);
        sender.writeDatagram("x", QHostAddress::LocalHost, port);
        QTRY_VERIFY(!w->text("txtReceivedDataLS").isEmpty());
        w->window->SetStatus(QString(), StatusColour::black);
        sender.writeDatagram(QByteArray(), QHostAddress::LocalHost, port);
        QTRY_COMPARE(w->status(), StatusMessages::listeningReceivedFrom + peerName(sender));
        QCOMPARE(w->text("txtReceivedDataLS"), QString());
    }
}

void tst_ListeningTraffic::shouldAnswerTheLatestUdpSender_data()
{
    QTest::addColumn<int>("senders");
    QTest::addColumn<bool>("burst");
    QTest::newRow("two senders, one after the other") << 2 << false;
    // More than the system keeps for an unread socket: the last of them must
    // still be shown and answered.
    QTest::newRow("a burst from 500 ports") << 500 << true;
}

void tst_ListeningTraffic::shouldAnswerTheLatestUdpSender()
{
    QFETCH(int, senders);
    QFETCH(bool, burst);
    const quint16 port = w->listenOnFreePort(1);
    std::vector<std::unique_ptr<QUdpSocket>> sockets;
    for (int i = 0; i < senders; ++i) {
        sockets.push_back(std::make_unique<QUdpSocket>());
        QVERIFY(sockets.back()->bind(QHostAddress::LocalHost, 0));
    }
    for (int i = 0; i < senders; ++i) {
        sockets[i]->writeDatagram(QByteArray::number(i + 1), QHostAddress::LocalHost, port);
        if (!burst)
            QTRY_COMPARE(w->text("txtReceivedDataLS"), QString::number(i + 1));
    }
    QTRY_COMPARE(w->text("txtReceivedDataLS"), QString::number(senders));
    QUdpSocket &latest = *sockets.back();
    QCOMPARE(w->status(), StatusMessages::listeningReceivedFrom + peerName(latest));

    w->type("txtTransmitDataLS", QStringLiteral("pong"));
    w->click("btnSendLS");
    QCOMPARE(w->status(), StatusMessages::listeningUdpSentTo + peerName(latest));
    QCOMPARE(w->text("txtTransmitDataLS"), QString());
    QCOMPARE(nextDatagram(latest).data(), QByteArray("pong"));
    for (int i = 0; i + 1 < senders; ++i)
        QVERIFY(!sockets[i]->hasPendingDatagrams());
}

void tst_ListeningTraffic::udpSendWithNoSenderYetShouldEndSilently()
{
    w->listenOnFreePort(1);
    const QString status = w->status();
    w->type("txtTransmitDataLS", QStringLiteral("nobody to answer"));
    w->click("btnSendLS");
    QCOMPARE(w->status(), status);
    QCOMPARE(w->text("txtTransmitDataLS"), QStringLiteral("nobody to answer"));
}

void tst_ListeningTraffic::refusedUdpSendShouldBeReported()
{
    const quint16 port = w->listenOnFreePort(1);
    QUdpSocket sender;
    sender.writeDatagram("x", QHostAddress::LocalHost, port);
    QTRY_COMPARE(w->text("txtReceivedDataLS"), QStringLiteral("x"));
    const QString tooLarge(65508, u'y');
    w->paste(QStringLiteral("txtTransmitDataLS"), tooLarge);
    w->click("btnSendLS");
    QCOMPARE(w->status(), StatusMessages::listeningError + QStringLiteral("Datagram too large to send"));
    QCOMPARE(w->statusColour(), red);
    QCOMPARE(w->text("txtTransmitDataLS"), tooLarge);
    QVERIFY(!sender.hasPendingDatagrams());
}

QTEST_MAIN(tst_ListeningTraffic)
#include "tst_listeningtraffic.moc"
