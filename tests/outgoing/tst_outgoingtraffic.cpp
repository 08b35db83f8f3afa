// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/WindowDriver.h"

#include "formats/TokenReading.h"

// What passes through the outgoing panel: typed data sent, arrivals shown.
class tst_OutgoingTraffic : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        w = std::make_unique<WindowDriver>();
        server = loopbackServer();
        udpPeer = loopbackUdpPeer();
        QVERIFY(server);
        QVERIFY(udpPeer);
    }
    void cleanup()
    {
        peer.reset();
        server.reset();
        udpPeer.reset();
        w.reset();
    }

    void shouldSendExactBytes_data();
    void shouldSendExactBytes();
    void shouldSendAnEmptyStringOverTcp();
    void shouldRefuseToSendWithoutAConnection_data();
    void shouldRefuseToSendWithoutAConnection();
    void parseErrorShouldComeBeforeTheConnectionError_data();
    void parseErrorShouldComeBeforeTheConnectionError();
    void refusedSendShouldBeReported_data();
    void refusedSendShouldBeReported();
    void shouldEndSilentlyOnAnEmptyHexToken();
    void shouldReadTheTransportAtTheClick();
    void udpSendToANameShouldArrive();
    void udpSendToNobodyShouldStillBeReported();
    void shouldRenderInTheRxFormatOfTheMoment_data();
    void shouldRenderInTheRxFormatOfTheMoment();
    void secondArrivalShouldReplaceTheFirst();
    void shouldReceiveUdpReplies();
    void shouldNameEachUdpSender();
    void shouldShowAnEmptyDatagramAsNothing();
    void arrivalsShouldStayOnTheirOwnPanel();
    void shouldTalkOverIpv6();

private:
    // Raw peers on 127.0.0.1, ready for each test: a server the panel may
    // connect to over TCP (peer is the connection it accepts), and a socket
    // it may open towards over UDP.
    std::unique_ptr<WindowDriver> w;
    std::unique_ptr<QTcpServer> server;
    std::unique_ptr<QTcpSocket> peer;
    std::unique_ptr<QUdpSocket> udpPeer;
};

using namespace StatusMessages;

void tst_OutgoingTraffic::shouldSendExactBytes_data()
{
    QTest::addColumn<int>("transport");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("wire");
    const struct
    {
        const char *name;
        int format;
        QString typed;
        QByteArray wire;
    } rows[] = {
        {"string as typed", 0, QStringLiteral("  word  "), QByteArray("  word  ")},
        {"string, latin-1", 0, QStringLiteral("\u00e9\u00ff"), QByteArray("\xe9\xff")},
        {"string, beyond latin-1", 0, QStringLiteral("\u20ac"), QByteArray("?")},
        {"decimal greeting", 1, QStringLiteral("72 105"), QByteArray("Hi")},
        {"decimal, blanks around", 1, QStringLiteral("  65 66  "), QByteArray("AB")},
        {"decimal, extremes", 1, QStringLiteral("0 255"), QByteArray("\x00\xff", 2)},
        {"hex greeting", 2, QStringLiteral("48 69"), QByteArray("Hi")},
        {"hex, lower case and one digit", 2, QStringLiteral("ff 0a 7"), QByteArray("\xff\x0a\x07")},
        {"string, no-break space", 0, QStringLiteral("a\u00a0b"),
         QByteArray("a\xa0"
                    "b")},
        {"string, line separator", 0, QStringLiteral("a\u2028b"), QByteArray("a?b")},
        {"string, enter and shift+enter", 0, QStringLiteral("a\nb\rc"), QByteArray("a\r\nb\r\nc")},
    };
    for (int transport : {0, 1}) {
        for (const auto &row : rows) {
            QTest::addRow("%s, %s", transport == 0 ? "tcp" : "udp", row.name)
                << transport << row.format << row.typed << row.wire;
        }
    }
}

void tst_OutgoingTraffic::shouldSendExactBytes()
{
    QFETCH(int, transport);
    QFETCH(int, format);
    QFETCH(QString, typed);
    QFETCH(QByteArray, wire);
    if (transport == 0) {
        peer = w->connectOutgoingTo(*server);
        QVERIFY(peer);
        w->send(QStringLiteral("OS"), format, typed);
        QCOMPARE(w->status(), outgoingTcpSentTo + peerName(*server));
        QCOMPARE(readExactly(*peer, wire.size()), wire);
    } else {
        QVERIFY(w->openOutgoingTo(*udpPeer));
        w->send(QStringLiteral("OS"), format, typed);
        // This one message begins with a lower-case letter.
        QCOMPARE(w->status(), outgoingUdpSentTo + peerName(*udpPeer));
        const QNetworkDatagram datagram = nextDatagram(*udpPeer);
        QVERIFY(datagram.isValid());
        QCOMPARE(datagram.data(), wire);
        QCOMPARE(datagram.senderPort(), w->outgoingSocket()->LocalPort());
    }
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(w->text("txtTransmitDataOS"), QString());
}

void tst_OutgoingTraffic::shouldSendAnEmptyStringOverTcp()
{
    peer = w->connectOutgoingTo(*server);
    QVERIFY(peer);
    w->markStatus();
    w->send(QStringLiteral("OS"), 0, QString());
    QCOMPARE(w->status(), outgoingTcpSentTo + peerName(*server));
    QCOMPARE(w->statusColour(), blue);
    // Nothing went out: the next byte the peer sees is the one sent next.
    w->send(QStringLiteral("OS"), 0, QStringLiteral("x"));
    QCOMPARE(readExactly(*peer, 1), QByteArray("x"));
}

void tst_OutgoingTraffic::shouldRefuseToSendWithoutAConnection_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("never connected") << QStringLiteral("nothing");
    QTest::newRow("still looking the host up") << QStringLiteral("resolving");
    QTest::newRow("peer closed") << QStringLiteral("peer closed");
    QTest::newRow("after a refusal") << QStringLiteral("refused");
    QTest::newRow("disconnected") << QStringLiteral("disconnected");
    QTest::newRow("udp open, tcp selected") << QStringLiteral("udp");
}

void tst_OutgoingTraffic::shouldRefuseToSendWithoutAConnection()
{
    QFETCH(QString, before);
    if (before == QStringLiteral("resolving")) {
        // The lookup's answer comes through the event loop, so the send in
        // this same turn finds the attempt still under way.
        w->connectOutgoing(QStringLiteral("no-such-host.invalid"), QStringLiteral("4000"));
        QVERIFY(w->outgoingSocket()->State() != EventSocket::StateClosed);
    } else if (before == QStringLiteral("peer closed") || before == QStringLiteral("disconnected")) {
        peer = w->connectOutgoingTo(*server);
        QVERIFY(peer);
        if (before == QStringLiteral("disconnected")) {
            w->click("btnDisconnectOS");
        } else {
            peer->disconnectFromHost();
            QTRY_COMPARE(w->outgoingSocket()->State(), int(EventSocket::StateClosed));
        }
    } else if (before == QStringLiteral("refused")) {
        w->connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(freeTcpPort()));
        QTRY_VERIFY(w->status().startsWith(outgoingError));
    } else if (before == QStringLiteral("udp")) {
        QVERIFY(w->openOutgoingTo(*udpPeer));
        w->select("optionTransportOS", 0);
    }

    w->send(QStringLiteral("OS"), 2, QStringLiteral(" 4f 6b "));
    QCOMPARE(w->status(), outgoingNotConnected);
    QCOMPARE(w->statusColour(), red);
    // Encoding normalised the text before the state was looked at.
    QCOMPARE(w->text("txtTransmitDataOS"), QStringLiteral("4F 6B"));
    w->send(QStringLiteral("OS"), 0, QStringLiteral("keep me"));
    QCOMPARE(w->status(), outgoingNotConnected);
    QCOMPARE(w->text("txtTransmitDataOS"), QStringLiteral("keep me"));
    QVERIFY(!udpPeer->hasPendingDatagrams());
}

void tst_OutgoingTraffic::parseErrorShouldComeBeforeTheConnectionError_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("kept");
    const QString badHex = parseErrorMessage(TokenVerdict::BadHexCharacter);
    QTest::newRow("decimal out of range")
        << 1 << QStringLiteral(" 1 256 ") << parseErrorMessage(TokenVerdict::OutOfRange) << QStringLiteral("1 256");
    // Upper-casing goes letter for letter: the ligature is not the two
    // letters FF, nor the sharp s two letters S.
    QTest::newRow("hex, ligature ff") << 2 << QStringLiteral("\ufb00") << badHex << QStringLiteral("\ufb00");
    QTest::newRow("hex, sharp s") << 2 << QStringLiteral("a \u00df") << badHex << QStringLiteral("A \u00df");
    // A no-break space is no separator: it stays in its token, and in the box.
    QTest::newRow("decimal, no-break space")
        << 1 << QStringLiteral("1\u00a02") << parseErrorMessage(TokenVerdict::NotNumeric) << QStringLiteral("1\u00a02");
    QTest::newRow("hex, no-break space") << 2 << QStringLiteral(" a\u00a0b") << badHex << QStringLiteral("A\u00a0B");
}

void tst_OutgoingTraffic::parseErrorShouldComeBeforeTheConnectionError()
{
    QFETCH(int, format);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, kept);
    w->send(QStringLiteral("OS"), format, typed);
    QCOMPARE(w->status(), message);
    QCOMPARE(w->statusColour(), red);
    QCOMPARE(w->text("txtTransmitDataOS"), kept);
    // Wider than the line, the message shows its beginning: the panel's name.
    QCOMPARE(w->find<QLineEdit>(QStringLiteral("txtStatus"))->cursorPosition(), 0);
}

void tst_OutgoingTraffic::refusedSendShouldBeReported_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port"); // -1: the raw UDP peer's
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("description");
    QTest::newRow("datagram too large") << QStringLiteral("127.0.0.1") << -1 << 65508
                                        << QStringLiteral("Datagram too large to send");
    QTest::newRow("name still being looked up")
        << QStringLiteral("localhost") << -1 << 1
        << QStringLiteral("The host name is still being looked up; send again once it is found");
    // The system's own reason, not a sentence that names none.
    QTest::newRow("port zero") << QStringLiteral("127.0.0.1") << 0 << 1 << QStringLiteral("Invalid argument");
    QTest::newRow("no route to the destination")
        << QStringLiteral("100::1") << 9 << 1 << QStringLiteral("Network is unreachable");
}

void tst_OutgoingTraffic::refusedSendShouldBeReported()
{
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(int, size);
    QFETCH(QString, description);
    if (description == QStringLiteral("Network is unreachable")) {
        QUdpSocket probe;
        probe.connectToHost(QHostAddress(host), quint16(port));
        if (probe.waitForConnected(1000))
            QSKIP("this machine has a route to the discard prefix (an IPv6 default route)");
    }
    w->connectOutgoing(host, QString::number(port < 0 ? udpPeer->localPort() : port), 1);
    // A send reported before, in blue, must not stand for this one.
    w->markStatus();
    const QString typed(size, u'x');
    w->paste(QStringLiteral("txtTransmitDataOS"), typed);
    w->click("btnSendOS");
    QCOMPARE(w->status(), outgoingError + description);
    QCOMPARE(w->statusColour(), red);
    QCOMPARE(w->text("txtTransmitDataOS"), typed);
    QVERIFY(!udpPeer->hasPendingDatagrams());
}

void tst_OutgoingTraffic::shouldEndSilentlyOnAnEmptyHexToken()
{
    peer = w->connectOutgoingTo(*server);
    QVERIFY(peer);
    w->markStatus();
    w->send(QStringLiteral("OS"), 2, QStringLiteral("A  B"));
    QCOMPARE(w->status(), QStringLiteral("(marker)"));
    QCOMPARE(w->text("txtTransmitDataOS"), QStringLiteral("A  B"));
    w->send(QStringLiteral("OS"), 2, QStringLiteral("7"));
    QCOMPARE(readExactly(*peer, 1), QByteArray("\x07"));
}

void tst_OutgoingTraffic::shouldReadTheTransportAtTheClick()
{
    peer = w->connectOutgoingTo(*server);
    QVERIFY(peer);
    w->select("optionTransportOS", 1);
    w->send(QStringLiteral("OS"), 0, QStringLiteral("abc"));
    QCOMPARE(w->status(), outgoingUdpSentTo + peerName(*server));
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(w->text("txtTransmitDataOS"), QString());
    // Reported as sent, so it must have gone: over the connection it has.
    QCOMPARE(readExactly(*peer, 3), QByteArray("abc"));

    // Back on TCP the state test applies again, and passes.
    w->select("optionTransportOS", 0);
    w->send(QStringLiteral("OS"), 0, QStringLiteral("def"));
    QCOMPARE(w->status(), outgoingTcpSentTo + peerName(*server));
    QCOMPARE(readExactly(*peer, 3), QByteArray("def"));
}

void tst_OutgoingTraffic::udpSendToANameShouldArrive()
{
    const QString port = QString::number(udpPeer->localPort());
    w->connectOutgoing(QStringLiteral("localhost"), port, 1);
    QCOMPARE(w->status(), outgoingConnectedTo + QStringLiteral("localhost:") + port);
    QTRY_VERIFY(w->outgoingSocket()->RemoteHostIP() != QStringLiteral("localhost"));

    w->send(QStringLiteral("OS"), 0, QStringLiteral("by name"));
    QVERIFY2(w->status().startsWith(outgoingUdpSentTo), qPrintable(w->status()));
    QVERIFY2(w->status().endsWith(u':' + port), qPrintable(w->status()));
    QCOMPARE(w->text("txtTransmitDataOS"), QString());
    const QNetworkDatagram datagram = nextDatagram(*udpPeer);
    QCOMPARE(datagram.data(), QByteArray("by name"));
}

void tst_OutgoingTraffic::udpSendToNobodyShouldStillBeReported()
{
    const QString port = QString::number(freeUdpPort());
    w->connectOutgoing(QStringLiteral("127.0.0.1"), port, 1);
    StatusLog log(*w);
    for (const QString &typed : {QStringLiteral("lost"), QStringLiteral("lost again")}) {
        w->send(QStringLiteral("OS"), 0, typed);
        QCOMPARE(w->status(), outgoingUdpSentTo + QStringLiteral("127.0.0.1:") + port);
        QCOMPARE(w->text("txtTransmitDataOS"), QString());
    }

    // The refusal the destination may send back is no arrival and no error:
    // the next thing the panel shows is a real datagram.
    QUdpSocket sender;
    sender.writeDatagram("real", QHostAddress::LocalHost, quint16(w->outgoingSocket()->LocalPort()));
    QTRY_COMPARE(w->text("txtReceivedDataOS"), QStringLiteral("real"));
    // The same message twice leaves the line's text as it was: one entry.
    QCOMPARE(log.messages, (QStringList{outgoingUdpSentTo + QStringLiteral("127.0.0.1:") + port,
                                        outgoingReceivedFrom + peerName(sender)}));
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateOpen));
}

void tst_OutgoingTraffic::shouldRenderInTheRxFormatOfTheMoment_data()
{
    QTest::addColumn<int>("transport");
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    const struct
    {
        const char *name;
        int format;
        QByteArray bytes;
        QString shown;
    } rows[] = {
        {"string", 0, QByteArray("AB"), QStringLiteral("AB")},
        {"decimal", 1, QByteArray("\x00\x0a\xff", 3), QStringLiteral("0 10 255 ")},
        {"hex", 2, QByteArray("\x00\x0a\xff", 3), QStringLiteral("00 0A FF ")},
    };
    for (int transport : {0, 1}) {
        for (const auto &row : rows) {
            QTest::addRow("%s, %s", transport == 0 ? "tcp" : "udp", row.name)
                << transport << row.format << row.bytes << row.shown;
        }
    }
}

void tst_OutgoingTraffic::shouldRenderInTheRxFormatOfTheMoment()
{
    QFETCH(int, transport);
    QFETCH(int, format);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QString from;
    if (transport == 0) {
        peer = w->connectOutgoingTo(*server);
        QVERIFY(peer);
        w->select("optionRxDataFormatOS", format);
        peer->write(bytes);
        from = peerName(*server);
    } else {
        QVERIFY(w->openOutgoingTo(*udpPeer));
        w->select("optionRxDataFormatOS", format);
        udpPeer->writeDatagram(bytes, QHostAddress::LocalHost, quint16(w->outgoingSocket()->LocalPort()));
        from = peerName(*udpPeer);
    }
    QTRY_COMPARE(w->text("txtReceivedDataOS"), shown);
    QCOMPARE(w->status(), outgoingReceivedFrom + from);
    QCOMPARE(w->statusColour(), blue);
}

void tst_OutgoingTraffic::secondArrivalShouldReplaceTheFirst()
{
    peer = w->connectOutgoingTo(*server);
    QVERIFY(peer);
    peer->write("first");
    QTRY_COMPARE(w->text("txtReceivedDataOS"), QStringLiteral("first"));
    w->markStatus();
    peer->write("2nd");
    QTRY_COMPARE(w->text("txtReceivedDataOS"), QStringLiteral("2nd"));
    QCOMPARE(w->status(), outgoingReceivedFrom + peerName(*server));
    QCOMPARE(w->statusColour(), blue);
}

void tst_OutgoingTraffic::shouldReceiveUdpReplies()
{
    QVERIFY(w->openOutgoingTo(*udpPeer));
    w->send(QStringLiteral("OS"), 0, QStringLiteral("ping"));
    const QNetworkDatagram request = nextDatagram(*udpPeer);
    QCOMPARE(request.data(), QByteArray("ping"));

    // The reply goes back to where the request came from.
    udpPeer->writeDatagram(request.makeReply("pong"));
    QTRY_COMPARE(w->text("txtReceivedDataOS"), QStringLiteral("pong"));
    QCOMPARE(w->status(), outgoingReceivedFrom + peerName(*udpPeer));
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateOpen));

    // The panel may go on sending after a reply.
    w->send(QStringLiteral("OS"), 0, QStringLiteral("again"));
    QCOMPARE(w->status(), outgoingUdpSentTo + peerName(*udpPeer));
    QCOMPARE(nextDatagram(*udpPeer).data(), QByteArray("again"));
}

void tst_OutgoingTraffic::shouldNameEachUdpSender()
{
    QVERIFY(w->openOutgoingTo(*udpPeer));
    const auto panelPort = quint16(w->outgoingSocket()->LocalPort());
    // A datagram from someone other than the destination names its own sender.
    QUdpSocket stranger;
    QVERIFY(stranger.bind(QHostAddress::LocalHost, 0));
    for (QUdpSocket *sender : {&stranger, udpPeer.get(), &stranger}) {
        const QByteArray datagram = "from " + QByteArray::number(sender->localPort());
        sender->writeDatagram(datagram, QHostAddress::LocalHost, panelPort);
        QTRY_COMPARE(w->text("txtReceivedDataOS"), QString::fromLatin1(datagram));
        QCOMPARE(w->status(), outgoingReceivedFrom + peerName(*sender));
    }
    // Only Connect chooses where datagrams go: the stranger redirected nothing.
    w->send(QStringLiteral("OS"), 0, QStringLiteral("to the destination"));
    QCOMPARE(w->status(), outgoingUdpSentTo + peerName(*udpPeer));
    QCOMPARE(nextDatagram(*udpPeer).data(), QByteArray("to the destination"));
    QVERIFY(!stranger.hasPendingDatagrams());
}

void tst_OutgoingTraffic::shouldShowAnEmptyDatagramAsNothing()
{
    QVERIFY(w->openOutgoingTo(*udpPeer));
    const auto panelPort = quint16(w->outgoingSocket()->LocalPort());
    for (int format : {0, 1, 2}) {
        w->select("optionRxDataFormatOS", format);
        udpPeer->writeDatagram("x", QHostAddress::LocalHost, panelPort);
        QTRY_VERIFY(!w->text("txtReceivedDataOS").isEmpty());
        w->markStatus();
        udpPeer->writeDatagram(QByteArray(), QHostAddress::LocalHost, panelPort);
        QTRY_COMPARE(w->status(), outgoingReceivedFrom + peerName(*udpPeer));
        QCOMPARE(w->text("txtReceivedDataOS"), QString());
    }
}

void tst_OutgoingTraffic::arrivalsShouldStayOnTheirOwnPanel()
{
    peer = w->connectOutgoingTo(*server);
    QVERIFY(peer);
    const quint16 listeningPort = w->listenOnFreePort();
    auto client = connectedClient(listeningPort);
    QVERIFY(client);
    QTRY_COMPARE(w->listeningSocket()->State(), int(EventSocket::StateConnected));

    client->write("for LS");
    QTRY_COMPARE(w->text("txtReceivedDataLS"), QStringLiteral("for LS"));
    peer->write("for OS");
    QTRY_COMPARE(w->text("txtReceivedDataOS"), QStringLiteral("for OS"));

    w->type("txtTransmitDataLS", QStringLiteral("typed LS"));
    w->type("txtTransmitDataOS", QStringLiteral("typed OS"));
    const QStringList boxes{"txtReceivedDataLS", "txtTransmitDataLS", "txtPort",      "txtReceivedDataOS",
                            "txtTransmitDataOS", "txtRemoteIP",       "txtRemotePort"};
    const auto snapshot = [&] {
        QStringList texts;
        for (const QString &box : boxes)
            texts.append(w->text(box));
        return texts;
    };

    QStringList expected = snapshot();
    peer->write("again OS");
    QTRY_COMPARE(w->text("txtReceivedDataOS"), QStringLiteral("again OS"));
    expected[3] = QStringLiteral("again OS");
    QCOMPARE(snapshot(), expected);
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateConnected));

    client->write("again LS");
    QTRY_COMPARE(w->text("txtReceivedDataLS"), QStringLiteral("again LS"));
    expected[0] = QStringLiteral("again LS");
    QCOMPARE(snapshot(), expected);
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateConnected));
    QCOMPARE(w->status(), listeningReceivedFrom + peerName(*client));
}

void tst_OutgoingTraffic::shouldTalkOverIpv6()
{
    QTcpServer raw;
    if (!raw.listen(QHostAddress::LocalHostIPv6, 0))
        QSKIP("this machine has no IPv6 loopback");
    const QString port = QString::number(raw.serverPort());
    w->connectOutgoing(QStringLiteral("::1"), port);
    QTRY_COMPARE(w->status(), outgoingConnectedTo + QStringLiteral("::1:") + port);
    auto remote = acceptedPeer(raw);
    QVERIFY(remote);

    w->send(QStringLiteral("OS"), 2, QStringLiteral("48 69"));
    QCOMPARE(w->status(), outgoingTcpSentTo + QStringLiteral("::1:") + port);
    QCOMPARE(readExactly(*remote, 2), QByteArray("Hi"));
    remote->write("ok");
    QTRY_COMPARE(w->text("txtReceivedDataOS"), QStringLiteral("ok"));
    QCOMPARE(w->status(), outgoingReceivedFrom + QStringLiteral("::1:") + port);
}

QTEST_MAIN(tst_OutgoingTraffic)
#include "tst_outgoingtraffic.moc"
