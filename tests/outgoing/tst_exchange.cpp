// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/WindowDriver.h"

#include "socket/ClosingConnections.h"

#include <QScopeGuard>

// The two panels of one window talking to each other on loopback, the way a
// user tries the tool out: listen above, connect below, send, disconnect.
class tst_Exchange : public QObject
{
    Q_OBJECT

private slots:
    void shouldCarryTheGreetingOverTcp_data();
    void shouldCarryTheGreetingOverTcp();
    void shouldCarryTheGreetingOverUdp();
    void closeShouldDeliverWhatWasSent_data();
    void closeShouldDeliverWhatWasSent();
    void receivedBoxesShouldOutliveTheirConnections();
};

void tst_Exchange::shouldCarryTheGreetingOverTcp_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("outgoing panel sends") << QStringLiteral("OS") << QStringLiteral("LS");
    QTest::newRow("listening panel sends") << QStringLiteral("LS") << QStringLiteral("OS");
}

void tst_Exchange::shouldCarryTheGreetingOverTcp()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    WindowDriver w;
    StatusLog log(w);

    // A port typed as a number, so that listening again reopens the same one.
    const quint16 port = freeTcpPort();
    w.listenOn(QString::number(port));
    const QString listening = w.status();
    QCOMPARE(listening, StatusMessages::listeningOnTcp + w.text("txtRemoteIP") + u':' + QString::number(port));

    w.connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(port));
    const QString outgoingConnected = StatusMessages::outgoingConnectedTo + loopback(port);
    QTRY_VERIFY(log.contains(outgoingConnected));
    const int clientPort = w.outgoingSocket()->LocalPort();
    const QString listeningConnected = StatusMessages::listeningConnectedTo + loopback(clientPort);
    // Which panel hears of the connection first depends on the order of events.
    QTRY_VERIFY2(log.contains(listeningConnected), qPrintable(log.messages.join(u'\n')));
    QCOMPARE(log.colourOf(outgoingConnected), blue);
    QCOMPARE(log.colourOf(listeningConnected), blue);
    QCOMPARE(w.listeningSocket()->State(), int(EventSocket::StateConnected));
    QCOMPARE(w.outgoingSocket()->State(), int(EventSocket::StateConnected));

    const bool outgoingSends = from == QStringLiteral("OS");
    w.send(from, 1, QStringLiteral("72 105"));
    QCOMPARE(w.status(), outgoingSends ? StatusMessages::outgoingTcpSentTo + loopback(port)
                                       : StatusMessages::listeningTcpSentTo + loopback(clientPort));
    QCOMPARE(w.statusColour(), blue);
    QCOMPARE(w.text("txtTransmitData" + from), QString());

    QTRY_COMPARE(w.text("txtReceivedData" + to), QStringLiteral("Hi"));
    QCOMPARE(w.status(), outgoingSends ? StatusMessages::listeningReceivedFrom + loopback(clientPort)
                                       : StatusMessages::outgoingReceivedFrom + loopback(port));
    QCOMPARE(w.statusColour(), blue);
    QCOMPARE(w.text("txtReceivedData" + from), QString());

    w.click("btnDisconnectOS");
    QCOMPARE(w.status(), StatusMessages::disconnected);
    QCOMPARE(w.statusColour(), black);
    QCOMPARE(w.outgoingSocket()->State(), int(EventSocket::StateClosed));

    // The listening panel sees its peer go and listens again on its port.
    QTRY_COMPARE(w.status(), listening);
    QCOMPARE(w.statusColour(), blue);
    QCOMPARE(w.listeningSocket()->State(), int(EventSocket::StateListening));

    // A new connection is taken as the first one was.
    log.messages.clear();
    w.click("btnConnectOS");
    QTRY_VERIFY(log.contains(outgoingConnected));
    QTRY_VERIFY(log.contains(StatusMessages::listeningConnectedTo + loopback(w.outgoingSocket()->LocalPort())));
    QCOMPARE(w.listeningSocket()->State(), int(EventSocket::StateConnected));
}

void tst_Exchange::shouldCarryTheGreetingOverUdp()
{
    WindowDriver w;
    const quint16 port = w.listenOnFreePort(1);
    QCOMPARE(w.status(), StatusMessages::listeningOnUdp + w.text("txtRemoteIP") + u':' + QString::number(port));

    // UDP has no handshake: the panel reports its destination at once.
    w.connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(port), 1);
    QCOMPARE(w.status(), StatusMessages::outgoingConnectedTo + loopback(port));
    QCOMPARE(w.statusColour(), blue);
    const int clientPort = w.outgoingSocket()->LocalPort();
    QVERIFY(clientPort != 0);

    w.send(QStringLiteral("OS"), 1, QStringLiteral("72 105"));
    QCOMPARE(w.status(), StatusMessages::outgoingUdpSentTo + loopback(port));
    QCOMPARE(w.statusColour(), blue);
    QCOMPARE(w.text("txtTransmitDataOS"), QString());
    QTRY_COMPARE(w.text("txtReceivedDataLS"), QStringLiteral("Hi"));
    QCOMPARE(w.status(), StatusMessages::listeningReceivedFrom + loopback(clientPort));

    // The listening panel answers its latest sender: the outgoing panel.
    w.send(QStringLiteral("LS"), 1, QStringLiteral("72 105"));
    QCOMPARE(w.status(), StatusMessages::listeningUdpSentTo + loopback(clientPort));
    QTRY_COMPARE(w.text("txtReceivedDataOS"), QStringLiteral("Hi"));
    QCOMPARE(w.status(), StatusMessages::outgoingReceivedFrom + loopback(port));
    QCOMPARE(w.statusColour(), blue);

    w.click("btnDisconnectOS");
    QCOMPARE(w.status(), StatusMessages::disconnected);
    QCOMPARE(w.statusColour(), black);
    // Over UDP the listening panel has no peer to lose: it stays bound.
    QCOMPARE(w.listeningSocket()->State(), int(EventSocket::StateOpen));
}

void tst_Exchange::closeShouldDeliverWhatWasSent_data()
{
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("peerKind");
    const auto addRows = [](const char *panel, std::initializer_list<const char *> actions) {
        // A silent peer reads only once the panel has closed; a talking one
        // has been writing small pieces all along and reads from the close
        // on; a resetting one reads a little and then resets.
        for (const char *peer : {"silent", "talking", "resetting"}) {
            for (const char *action : actions)
                QTest::addRow("%s, %s, %s peer", panel, action, peer)
                    << QString::fromLatin1(panel) << QString::fromLatin1(action) << QString::fromLatin1(peer);
        }
        // A peer that never reads is given up on.
        QTest::addRow("%s, %s, peer that never reads", panel, *actions.begin())
            << QString::fromLatin1(panel) << QString::fromLatin1(*actions.begin()) << QStringLiteral("never reading");
    };
    addRows("OS", {"btnDisconnectOS", "btnConnectOS", "mnuExit", "close button"});
    addRows("LS", {"btnCloseLS", "btnSetPort", "mnuExit", "close button"});
}

void tst_Exchange::closeShouldDeliverWhatWasSent()
{
    QFETCH(QString, panel);
    QFETCH(QString, action);
    QFETCH(QString, peerKind);
    const bool talking = peerKind == QStringLiteral("talking");
    const bool givenUp = peerKind == QStringLiteral("never reading");
    // Giving up after a short stall rather than the usual ten seconds.
    ClosingConnections::setStallTimeout(givenUp ? 300 : ClosingConnections::defaultStallTimeout);
    const auto restore =
        qScopeGuard([] { ClosingConnections::setStallTimeout(ClosingConnections::defaultStallTimeout); });
    WindowDriver w;
    QTcpServer server;
    std::unique_ptr<QTcpSocket> connection;
    EventSocket *socket = nullptr;
    if (panel == QStringLiteral("OS")) {
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        w.connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()));
        connection = acceptedPeer(server);
        socket = w.outgoingSocket();
    } else {
        connection = connectedClient(w.listenOnFreePort());
        socket = w.listeningSocket();
    }
    QTRY_COMPARE(socket->State(), int(EventSocket::StateConnected));
    RawPeer peer(std::move(connection));
    QVERIFY(peer.isOpen());

    // More than the system's buffers hold while the peer is not reading, so
    // most of it still waits in ours when the panel closes. Sent through the
    // socket: no one types 16 MiB.
    QByteArray sent(16 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < sent.size(); ++i)
        sent[i] = char(i * 131 % 251);
    socket->SendData(sent);
    if (talking) {
        for (int i = 0; i < 100; ++i)
            peer.talk();
    }

    if (action == QStringLiteral("close button")) {
        w.window->close();
    } else if (action == QStringLiteral("mnuExit")) {
        w.find<QAction>(action)->trigger();
    } else {
        w.click(action);
        // The panel is closed at once, whatever its old connection still owes.
        if (action == QStringLiteral("btnDisconnectOS") || action == QStringLiteral("btnCloseLS"))
            QCOMPARE(socket->State(), int(EventSocket::StateClosed));
    }

    // Its words now reach a connection that its panel has let go of.
    if (talking)
        peer.talk();

    if (givenUp) {
        QTRY_COMPARE(ClosingConnections::pending(), 0);
        QTRY_VERIFY((peer.read(), peer.end != RawPeer::End::None));
        QVERIFY(peer.received.size() < sent.size());
        QCOMPARE(peer.received, sent.first(peer.received.size()));
        QCOMPARE(peer.end, RawPeer::End::Reset);
        return;
    }
    if (peerKind == QStringLiteral("resetting")) {
        QTRY_VERIFY((peer.read(), peer.received.size() >= 1 << 20));
        peer.reset();
        // The close notices at once, without waiting to give up.
        QTRY_COMPARE(ClosingConnections::pending(), 0);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT((talking ? peer.talk() : void(), peer.read(), peer.end != RawPeer::End::None), 20000);
    QCOMPARE(peer.received.size(), sent.size());
    QVERIFY(peer.received == sent);
    // Then an orderly close, not a reset, and the connection is gone once
    // the peer has closed its side too.
    QCOMPARE(peer.end, RawPeer::End::Orderly);
    QTRY_COMPARE(ClosingConnections::pending(), 0);
}

void tst_Exchange::receivedBoxesShouldOutliveTheirConnections()
{
    WindowDriver w;
    StatusLog log(w);
    const quint16 port = w.listenOnFreePort();
    w.connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(port));
    QTRY_COMPARE(w.listeningSocket()->State(), int(EventSocket::StateConnected));
    QTRY_COMPARE(w.outgoingSocket()->State(), int(EventSocket::StateConnected));
    w.send(QStringLiteral("OS"), 0, QStringLiteral("to LS"));
    QTRY_COMPARE(w.text("txtReceivedDataLS"), QStringLiteral("to LS"));
    w.send(QStringLiteral("LS"), 0, QStringLiteral("to OS"));
    QTRY_COMPARE(w.text("txtReceivedDataOS"), QStringLiteral("to OS"));

    // Typing anywhere never touches the status line.
    const qsizetype messages = log.messages.size();
    for (const char *box : {"txtTransmitDataLS", "txtTransmitDataOS", "txtRemoteIP", "txtRemotePort", "txtPort"})
        w.type(QString::fromLatin1(box), QStringLiteral("12"));
    QCOMPARE(log.messages.size(), messages);

    // A peer's close (the listening panel listens again), Disconnect, Close,
    // Listen, a failed Connect and a Connect leave both boxes as they were.
    w.type("txtPort", QString::number(port));
    w.type("txtRemotePort", QString::number(port));
    w.click("btnDisconnectOS");
    QTRY_COMPARE(w.listeningSocket()->State(), int(EventSocket::StateListening));
    w.click("btnCloseLS");
    w.connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(port));
    QTRY_VERIFY(w.status().startsWith(StatusMessages::outgoingError));
    w.click("btnSetPort");
    w.click("btnConnectOS");
    QTRY_COMPARE(w.listeningSocket()->State(), int(EventSocket::StateConnected));
    QCOMPARE(w.text("txtReceivedDataLS"), QStringLiteral("to LS"));
    QCOMPARE(w.text("txtReceivedDataOS"), QStringLiteral("to OS"));
}

QTEST_MAIN(tst_Exchange)
#include "tst_exchange.moc"
