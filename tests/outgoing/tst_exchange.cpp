#include "support/Peers.h"
#include "support/WindowDriver.h"

// The two panels of one window talking to each other on loopback, the way a
// user tries the tool out: listen above, connect below, send, disconnect.
class tst_Exchange : public QObject
{
    Q_OBJECT

private slots:
    void shouldCarryTheGreetingOverTcp_data();
    void shouldCarryTheGreetingOverTcp();
    void shouldCarryTheGreetingOverUdp();
};

namespace {

QString loopback(int port)
{
    return QStringLiteral("127.0.0.1:") + QString::number(port);
}

} // namespace

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
    w.type("txtPort", QString::number(port));
    w.click("btnSetPort");
    const QString listening = w.status();
    QCOMPARE(listening, QStringLiteral("Listening Socket -> Listening on TCP ") + w.text("txtRemoteIP") + u':'
                            + QString::number(port));

    w.connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(port));
    const QString outgoingConnected = QStringLiteral("Outgoing Socket -> Connected to ") + loopback(port);
    QTRY_VERIFY(log.contains(outgoingConnected));
    const int clientPort = w.outgoingSocket()->LocalPort();
    const QString listeningConnected = QStringLiteral("Listening Socket -> Connected to ") + loopback(clientPort);
    // Which panel hears of the connection first depends on the order of events.
    QTRY_VERIFY2(log.contains(listeningConnected), qPrintable(log.messages.join(u'\n')));
    QCOMPARE(log.colourOf(outgoingConnected), blue);
    QCOMPARE(log.colourOf(listeningConnected), blue);
    QCOMPARE(w.listeningSocket()->State(), 7);
    QCOMPARE(w.outgoingSocket()->State(), 7);

    const bool outgoingSends = from == QStringLiteral("OS");
    w.send(from, 1, QStringLiteral("72 105"));
    QCOMPARE(w.status(), outgoingSends ? QStringLiteral("Outgoing Socket -> TCP Data sent to ") + loopback(port)
                                       : QStringLiteral("Listening Socket -> TCP Data sent to ") + loopback(clientPort));
    QCOMPARE(w.statusColour(), blue);
    QCOMPARE(w.text("txtTransmitData" + from), QString());

    QTRY_COMPARE(w.text("txtReceivedData" + to), QStringLiteral("Hi"));
    QCOMPARE(w.status(), outgoingSends
                             ? QStringLiteral("Listening Socket -> Data received from ") + loopback(clientPort)
                             : QStringLiteral("Outgoing Socket -> Data received from ") + loopback(port));
    QCOMPARE(w.statusColour(), blue);
    QCOMPARE(w.text("txtReceivedData" + from), QString());

    w.click("btnDisconnectOS");
    QCOMPARE(w.status(), QStringLiteral("Outgoing Socket -> Disconnected"));
    QCOMPARE(w.statusColour(), black);
    QCOMPARE(w.outgoingSocket()->State(), 0);

    // The listening panel sees its peer go and listens again on its port.
    QTRY_COMPARE(w.status(), listening);
    QCOMPARE(w.statusColour(), blue);
    QCOMPARE(w.listeningSocket()->State(), 2);

    // A new connection is taken as the first one was.
    log.messages.clear();
    w.click("btnConnectOS");
    QTRY_VERIFY(log.contains(outgoingConnected));
    QTRY_VERIFY(log.contains(QStringLiteral("Listening Socket -> Connected to ")
                             + loopback(w.outgoingSocket()->LocalPort())));
    QCOMPARE(w.listeningSocket()->State(), 7);
}

void tst_Exchange::shouldCarryTheGreetingOverUdp()
{
    WindowDriver w;
    const quint16 port = w.listenOnFreePort(1);
    QCOMPARE(w.status(), QStringLiteral("Listening Socket -> Listening on UDP ") + w.text("txtRemoteIP")
                             + QStringLiteral(":0"));

    // UDP has no handshake: the panel reports its destination at once.
    w.connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(port), 1);
    QCOMPARE(w.status(), QStringLiteral("Outgoing Socket -> Connected to ") + loopback(port));
    QCOMPARE(w.statusColour(), blue);
    const int clientPort = w.outgoingSocket()->LocalPort();
    QVERIFY(clientPort != 0);

    w.send(QStringLiteral("OS"), 1, QStringLiteral("72 105"));
    QCOMPARE(w.status(), QStringLiteral("outgoing Socket -> UDP Data sent to ") + loopback(port));
    QCOMPARE(w.statusColour(), blue);
    QCOMPARE(w.text("txtTransmitDataOS"), QString());
    QTRY_COMPARE(w.text("txtReceivedDataLS"), QStringLiteral("Hi"));
    QCOMPARE(w.status(), QStringLiteral("Listening Socket -> Data received from ") + loopback(clientPort));

    // The listening panel answers its latest sender: the outgoing panel.
    w.send(QStringLiteral("LS"), 1, QStringLiteral("72 105"));
    QCOMPARE(w.status(), QStringLiteral("Listening Socket -> UDP Data sent to ") + loopback(clientPort));
    QTRY_COMPARE(w.text("txtReceivedDataOS"), QStringLiteral("Hi"));
    QCOMPARE(w.status(), QStringLiteral("Outgoing Socket -> Data received from ") + loopback(port));
    QCOMPARE(w.statusColour(), blue);

    w.click("btnDisconnectOS");
    QCOMPARE(w.status(), QStringLiteral("Outgoing Socket -> Disconnected"));
    QCOMPARE(w.statusColour(), black);
    // Over UDP the listening panel has no peer to lose: it stays bound.
    QCOMPARE(w.listeningSocket()->State(), 1);
}

QTEST_MAIN(tst_Exchange)
#include "tst_exchange.moc"
