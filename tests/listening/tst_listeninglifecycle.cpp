// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/WindowDriver.h"

class tst_ListeningLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = std::make_unique<WindowDriver>(); }
    void cleanup() { w.reset(); }

    void shouldListen_data();
    void shouldListen();
    void shouldNameAConnectedPeer();
    void shouldListenAgainWhenThePeerLeaves();
    void shouldListenAgainWithTheSettingsOfTheMoment();
    void shouldRefuseASecondPeer();
    void secondListenShouldDropTheConnectedPeer();
    void closeShouldStopListening();
    void shouldRejectABadPort_data();
    void shouldRejectABadPort();
    void shouldReportAPortInUse();
    void rejectedPortShouldLeaveTheConnectedPeerAlone();

private:
    std::unique_ptr<WindowDriver> w;
};

using namespace StatusMessages;

void tst_ListeningLifecycle::shouldListen_data()
{
    QTest::addColumn<int>("transport");
    QTest::addColumn<QString>("message");
    QTest::newRow("tcp") << 0 << listeningOnTcp;
    QTest::newRow("udp") << 1 << listeningOnUdp;
}

void tst_ListeningLifecycle::shouldListen()
{
    QFETCH(int, transport);
    QFETCH(QString, message);
    const quint16 port = freeTcpPort();
    w->select("optionTransportLS", transport);
    w->listenOn(QString::number(port));
    QCOMPARE(w->status(), message + w->text("txtRemoteIP") + u':' + QString::number(port));
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(w->listeningSocket()->LocalPort(), int(port));

    // Port 0 lets the system choose, and the message names its choice.
    w->listenOn(QStringLiteral("0"));
    QVERIFY(w->listeningSocket()->LocalPort() != 0);
    QCOMPARE(w->status(), message + w->text("txtRemoteIP") + u':' + QString::number(w->listeningSocket()->LocalPort()));

    // Any other port is named as typed, though the number is rounded.
    w->listenOn(QStringLiteral("400.5"));
    QCOMPARE(w->status(), message + w->text("txtRemoteIP") + QStringLiteral(":400.5"));
    QCOMPARE(w->listeningSocket()->LocalPort(), 400);
}

void tst_ListeningLifecycle::shouldNameAConnectedPeer()
{
    const auto client = w->connectToListeningPanel();
    QVERIFY(client);
    QTRY_COMPARE(w->status(), listeningConnectedTo + peerName(*client));
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateConnected));
}

void tst_ListeningLifecycle::shouldListenAgainWhenThePeerLeaves()
{
    const quint16 port = freeTcpPort();
    w->listenOn(QString::number(port));
    const QString listening = w->status();

    for (int round = 0; round < 3; ++round) {
        auto client = connectedClient(port);
        QVERIFY2(client, "the panel should be listening again");
        QTRY_COMPARE(w->status(), listeningConnectedTo + peerName(*client));
        client->disconnectFromHost();
        QTRY_COMPARE(w->status(), listening);
        QCOMPARE(w->statusColour(), blue);
    }
}

void tst_ListeningLifecycle::shouldListenAgainWithTheSettingsOfTheMoment()
{
    const auto client = w->connectToListeningPanel();
    QVERIFY(client);

    // While the peer is connected the user picks UDP and an impossible port.
    w->select("optionTransportLS", 1);
    w->type("txtPort", QStringLiteral("70000"));
    client->disconnectFromHost();
    QTRY_COMPARE(w->status(), listeningInvalidPort);
    QCOMPARE(w->textColour("txtPort"), red);
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateClosed));

    // Typing turns the box black again and opens nothing.
    w->type("txtPort", QStringLiteral("0"));
    QCOMPARE(w->textColour("txtPort"), black);
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateClosed));
    QCOMPARE(w->status(), listeningInvalidPort);
}

void tst_ListeningLifecycle::shouldRefuseASecondPeer()
{
    const auto first = w->connectToListeningPanel();
    QVERIFY(first);
    const auto port = quint16(w->listeningSocket()->LocalPort());
    const QString connected = w->status();

    QTcpSocket second;
    QSignalSpy errors(&second, &QTcpSocket::errorOccurred);
    second.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(errors.wait(5000));
    QCOMPARE(second.error(), QAbstractSocket::ConnectionRefusedError);
    QCOMPARE(w->status(), connected);
    QCOMPARE(first->state(), QAbstractSocket::ConnectedState);
}

void tst_ListeningLifecycle::secondListenShouldDropTheConnectedPeer()
{
    const quint16 port = freeTcpPort();
    w->listenOn(QString::number(port));
    const QString listening = w->status();
    auto client = connectedClient(port);
    QVERIFY(client);
    QTRY_COMPARE(w->listeningSocket()->State(), int(EventSocket::StateConnected));

    w->click("btnSetPort");
    QCOMPARE(w->status(), listening);
    QTRY_COMPARE(client->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(connectedClient(port));
}

void tst_ListeningLifecycle::closeShouldStopListening()
{
    const quint16 port = w->listenOnFreePort();
    for (int click = 0; click < 2; ++click) {
        w->click("btnCloseLS");
        QCOMPARE(w->status(), notListening);
        QCOMPARE(w->statusColour(), black);
        QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateClosed));
    }
    QVERIFY(!connectedClient(port));
}

void tst_ListeningLifecycle::shouldRejectABadPort_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("outOfRange"); // a number out of range, or no number at all
    QTest::newRow("one above") << QStringLiteral("65536") << true;
    QTest::newRow("below zero") << QStringLiteral("-1") << true;
    QTest::newRow("exponent") << QStringLiteral("1e9") << true;
    QTest::newRow("just below zero") << QStringLiteral("-0.1") << true;
    QTest::newRow("letters") << QStringLiteral("abc") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("hex") << QStringLiteral("0x10") << false;
}

void tst_ListeningLifecycle::shouldRejectABadPort()
{
    QFETCH(QString, port);
    QFETCH(bool, outOfRange);
    w->listenOn(port);
    if (outOfRange) {
        QCOMPARE(w->status(), listeningInvalidPort);
    } else {
        QVERIFY2(w->status().startsWith(listeningError), qPrintable(w->status()));
        QVERIFY2(w->status().size() > listeningError.size(), "the description says what was wrong");
        if (!port.isEmpty())
            QVERIFY2(w->status().contains(port), qPrintable(w->status()));
    }
    QCOMPARE(w->statusColour(), red);
    // Only a port out of range is marked red in its box, until it is edited.
    QCOMPARE(w->textColour("txtPort"), outOfRange ? red : black);
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateClosed));
    QTest::keyClick(w->find<QWidget>("txtPort"), Qt::Key_Backspace);
    QCOMPARE(w->textColour("txtPort"), black);
}

void tst_ListeningLifecycle::shouldReportAPortInUse()
{
    QTcpServer other;
    QVERIFY(other.listen(QHostAddress::Any, 0));
    w->listenOn(QString::number(other.serverPort()));
    QVERIFY2(w->status().startsWith(listeningError), qPrintable(w->status()));
    QVERIFY2(w->status().contains(QStringLiteral("in use"), Qt::CaseInsensitive), qPrintable(w->status()));
    QCOMPARE(w->statusColour(), red);
}

void tst_ListeningLifecycle::rejectedPortShouldLeaveTheConnectedPeerAlone()
{
    const auto client = w->connectToListeningPanel();
    QVERIFY(client);
    w->listenOn(QStringLiteral("99999"));
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateConnected));
    client->write("still here");
    QTRY_COMPARE(w->text("txtReceivedDataLS"), QStringLiteral("still here"));
}

QTEST_MAIN(tst_ListeningLifecycle)
#include "tst_listeninglifecycle.moc"
