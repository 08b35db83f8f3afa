// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SilentResolver.h"

#include "support/WindowDriver.h"

#include <QDir>
#include <QProcess>
#include <QTimer>
#include <QWindow>

#include <cstdio>

// The outgoing panel's life: connect, the socket's events, disconnect, and
// the remote port check, against raw peers on loopback.
class tst_OutgoingLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Names with two addresses, in both orders, for the resolver to give.
        SilentResolver::answer(sixThenFour,
                               {QHostAddress(QHostAddress::LocalHostIPv6), QHostAddress(QHostAddress::LocalHost)});
        SilentResolver::answer(fourThenSix,
                               {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHostIPv6)});
    }
    void init()
    {
        w = std::make_unique<WindowDriver>();
        server = loopbackServer();
        QVERIFY(server);
    }
    void cleanup()
    {
        SilentResolver::giveUp();
        peer.reset();
        server.reset();
        w.reset();
    }

    void tcpConnectShouldWaitForTheEvent();
    void shouldNameTheConnectedPeerByAddress_data();
    void shouldNameTheConnectedPeerByAddress();
    void shouldReportARefusedConnection();
    void shouldReportAnUnknownHost_data();
    void shouldReportAnUnknownHost();
    void shouldConnectAfreshAfterAnError();
    void shouldReportAHostItCannotUse_data();
    void shouldReportAHostItCannotUse();
    void shouldReportARemoteClose_data();
    void shouldReportARemoteClose();
    void disconnectDuringTheAttemptShouldSilenceIt();
    void secondConnectShouldDropTheFirstConnection();
    void disconnectShouldAlwaysReport_data();
    void disconnectShouldAlwaysReport();
    void rangeEndsShouldPassThePortCheck_data();
    void rangeEndsShouldPassThePortCheck();
    void shouldRejectABadPortAndKeepTheConnection_data();
    void shouldRejectABadPortAndKeepTheConnection();
    void rejectedPortShouldStayRedUntilItsTextChanges();
    void udpConnectShouldNameTheBoxesAsTyped_data();
    void udpConnectShouldNameTheBoxesAsTyped();
    void closingShouldNotWaitForALookup_data();
    void closingShouldNotWaitForALookup();
    void supersededLookupsShouldNotPileUp_data();
    void supersededLookupsShouldNotPileUp();

private:
    inline static const QString sixThenFour = QStringLiteral("six-then-four.test");
    inline static const QString fourThenSix = QStringLiteral("four-then-six.test");

    // A raw server on 127.0.0.1 for each test; peer is the connection it
    // accepts from the panel.
    std::unique_ptr<WindowDriver> w;
    std::unique_ptr<QTcpServer> server;
    std::unique_ptr<QTcpSocket> peer;
};

using namespace StatusMessages;

void tst_OutgoingLifecycle::tcpConnectShouldWaitForTheEvent()
{
    w->markStatus();
    w->connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(server->serverPort()));
    QCOMPARE(w->status(), QStringLiteral("(marker)"));
    QTRY_COMPARE(w->status(), outgoingConnectedTo + peerName(*server));
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateConnected));
    QVERIFY(acceptedPeer(*server));
}

namespace {

// A listener whose queue of connections not yet taken is full, so that the
// system lets every new attempt's first packet vanish, as a host that drops
// packets does: an attempt there neither connects nor fails for a long time.
struct SilentListener
{
    bool listen(const QHostAddress &address, quint16 port)
    {
        server.setListenBacklogSize(0);
        if (!server.listen(address, port))
            return false;
        server.pauseAccepting();
        for (auto &filler : fillers)
            filler.connectToHost(address, port);
        return true;
    }

    QTcpServer server;
    QTcpSocket fillers[2];
};

} // namespace

void tst_OutgoingLifecycle::shouldNameTheConnectedPeerByAddress_data()
{
    QTest::addColumn<QHostAddress>("serverAddress");
    QTest::addColumn<QHostAddress>("silentAddress");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QStringList>("shownAs");
    const QHostAddress none;
    const QHostAddress ipv4(QHostAddress::LocalHost);
    const QHostAddress ipv6(QHostAddress::LocalHostIPv6);
    QTest::newRow("ipv4") << ipv4 << none << QStringLiteral("127.0.0.1") << QStringList{QStringLiteral("127.0.0.1")};
    QTest::newRow("ipv6") << ipv6 << none << QStringLiteral("::1") << QStringList{QStringLiteral("::1")};
    // A name is shown as the address it resolved to, whichever family that is.
    QTest::newRow("name") << QHostAddress(QHostAddress::Any) << none << QStringLiteral("localhost")
                          << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("::1")};
    // A name with two addresses reaches the service on whichever it listens;
    // where both answer, the resolver's first choice wins.
    QTest::newRow("two addresses, ipv6 first, served on ipv6")
        << ipv6 << none << sixThenFour << QStringList{QStringLiteral("::1")};
    QTest::newRow("two addresses, ipv6 first, served on ipv4")
        << ipv4 << none << sixThenFour << QStringList{QStringLiteral("127.0.0.1")};
    QTest::newRow("two addresses, ipv4 first, served on ipv6")
        << ipv6 << none << fourThenSix << QStringList{QStringLiteral("::1")};
    QTest::newRow("two addresses, ipv4 first, served on ipv4")
        << ipv4 << none << fourThenSix << QStringList{QStringLiteral("127.0.0.1")};
    QTest::newRow("two addresses, ipv6 first, served on both")
        << QHostAddress(QHostAddress::Any) << none << sixThenFour << QStringList{QStringLiteral("::1")};
    QTest::newRow("two addresses, ipv4 first, served on both")
        << QHostAddress(QHostAddress::Any) << none << fourThenSix << QStringList{QStringLiteral("127.0.0.1")};
    // The first address swallows the attempt: the second is tried alongside.
    QTest::newRow("two addresses, ipv6 first and silent")
        << ipv4 << ipv6 << sixThenFour << QStringList{QStringLiteral("127.0.0.1")};
    QTest::newRow("two addresses, ipv4 first and silent")
        << ipv6 << ipv4 << fourThenSix << QStringList{QStringLiteral("::1")};
}

void tst_OutgoingLifecycle::shouldNameTheConnectedPeerByAddress()
{
    QFETCH(QHostAddress, serverAddress);
    QFETCH(QHostAddress, silentAddress);
    QFETCH(QString, host);
    QFETCH(QStringList, shownAs);
    // The silent listener takes the server's port on its own address.
    QTcpServer raw;
    SilentListener silent;
    bool ready = false;
    for (int tries = 0; tries < 20 && !ready; ++tries) {
        raw.close();
        if (!raw.listen(serverAddress, 0))
            QSKIP("this machine cannot listen on that loopback address");
        ready = silentAddress.isNull() || silent.listen(silentAddress, raw.serverPort());
    }
    QVERIFY(ready);
    const QString port = QString::number(raw.serverPort());
    // A probe of the silent address, which must still be waiting once the
    // panel has connected elsewhere: the address swallowed, not refused.
    QTcpSocket probe;
    if (!silentAddress.isNull())
        probe.connectToHost(silentAddress, raw.serverPort());
    w->connectOutgoing(host, port);
    QTRY_VERIFY2(w->status().startsWith(outgoingConnectedTo), qPrintable(w->status()));
    if (!silentAddress.isNull())
        QCOMPARE(probe.state(), QAbstractSocket::ConnectingState);
    QStringList accepted;
    for (const QString &address : shownAs)
        accepted.append(outgoingConnectedTo + address + u':' + port);
    QVERIFY2(accepted.contains(w->status()), qPrintable(w->status()));
    QCOMPARE(w->statusColour(), blue);
    QVERIFY(acceptedPeer(raw));
}

void tst_OutgoingLifecycle::shouldReportARefusedConnection()
{
    StatusLog log(*w);
    w->connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(freeTcpPort()));
    QTRY_VERIFY2(w->status().startsWith(outgoingError), qPrintable(w->status()));
    QVERIFY2(w->status().contains(QStringLiteral("refused"), Qt::CaseInsensitive), qPrintable(w->status()));
    QCOMPARE(w->statusColour(), red);
    QCOMPARE(w->textColour("txtRemotePort"), black);
    QVERIFY(!log.contains(outgoingInvalidPort));
    // The error leaves the socket as the component put it; closing is the
    // next Connect's or Disconnect's business.
    QVERIFY(w->outgoingSocket()->State() != EventSocket::StateConnected);
}

void tst_OutgoingLifecycle::shouldReportAnUnknownHost_data()
{
    QTest::addColumn<int>("transport");
    QTest::newRow("tcp") << 0;
    QTest::newRow("udp") << 1;
}

void tst_OutgoingLifecycle::shouldReportAnUnknownHost()
{
    QFETCH(int, transport);
    // The .invalid domain never resolves, so no packet leaves the machine.
    const QString host = QStringLiteral("no-such-host.invalid");
    w->connectOutgoing(host, QStringLiteral("4000"), transport);
    if (transport == 1) {
        // UDP names its destination as typed at once; the lookup comes after.
        QCOMPARE(w->status(), outgoingConnectedTo + host + QStringLiteral(":4000"));
        QCOMPARE(w->statusColour(), blue);
    }
    QTRY_VERIFY2(w->status().startsWith(outgoingError), qPrintable(w->status()));
    QVERIFY2(w->status().contains(QStringLiteral("host"), Qt::CaseInsensitive), qPrintable(w->status()));
    QCOMPARE(w->statusColour(), red);
    QCOMPARE(w->textColour("txtRemotePort"), black);
}

void tst_OutgoingLifecycle::shouldConnectAfreshAfterAnError()
{
    w->connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(freeTcpPort()));
    QTRY_VERIFY2(w->status().startsWith(outgoingError), qPrintable(w->status()));

    w->type("txtRemotePort", QString::number(server->serverPort()));
    w->click("btnConnectOS");
    QTRY_COMPARE(w->status(), outgoingConnectedTo + peerName(*server));
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateConnected));
}

void tst_OutgoingLifecycle::shouldReportAHostItCannotUse_data()
{
    QTest::addColumn<int>("transport");
    QTest::addColumn<QString>("host");
    QTest::newRow("tcp, empty") << 0 << QString();
    QTest::newRow("tcp, blanks") << 0 << QStringLiteral("   ");
    QTest::newRow("udp, empty") << 1 << QString();
    QTest::newRow("udp, blanks") << 1 << QStringLiteral("   ");
}

void tst_OutgoingLifecycle::shouldReportAHostItCannotUse()
{
    QFETCH(int, transport);
    QFETCH(QString, host);
    w->connectOutgoing(host, QStringLiteral("4000"), transport);
    // Reported at once, and UDP does not claim to be connected.
    QVERIFY2(w->status().startsWith(outgoingError), qPrintable(w->status()));
    QVERIFY2(w->status().size() > outgoingError.size(), "the description says what was wrong");
    QCOMPARE(w->statusColour(), red);
    QCOMPARE(w->textColour("txtRemotePort"), black);
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateClosed));
}

void tst_OutgoingLifecycle::shouldReportARemoteClose_data()
{
    QTest::addColumn<bool>("reset");
    QTest::newRow("orderly close") << false;
    QTest::newRow("reset") << true;
}

void tst_OutgoingLifecycle::shouldReportARemoteClose()
{
    QFETCH(bool, reset);
    peer = w->connectOutgoingTo(*server);
    QVERIFY(peer);
    if (reset) {
        // A peer that closes with bytes it has not read resets the connection.
        peer->setReadBufferSize(1);
        w->send(QStringLiteral("OS"), 0, QStringLiteral("unread"));
        QTRY_VERIFY(peer->bytesAvailable() > 0);
        peer->abort();
    } else {
        // Bytes sent just before the close are shown before the close is reported.
        peer->write("bye");
        peer->disconnectFromHost();
    }
    QTRY_COMPARE(w->status(), closedByRemote);
    QCOMPARE(w->statusColour(), black);
    if (!reset)
        QCOMPARE(w->text("txtReceivedDataOS"), QStringLiteral("bye"));
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateClosed));

    // The panel stays closed: nobody connects back.
    QVERIFY(!server->waitForNewConnection(200));
    QCOMPARE(w->status(), closedByRemote);
}

void tst_OutgoingLifecycle::disconnectDuringTheAttemptShouldSilenceIt()
{
    StatusLog log(*w);
    w->connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(server->serverPort()));
    w->click("btnDisconnectOS");
    QCOMPARE(w->status(), disconnected);

    // By the time the server has seen the connection come and go, whatever
    // the attempt left queued has had its turn.
    auto remote = acceptedPeer(*server);
    if (remote)
        QTRY_COMPARE(remote->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(w->status(), disconnected);
    QVERIFY2(!log.messages.join(u'\n').contains(outgoingConnectedTo), qPrintable(log.messages.join(u'\n')));
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateClosed));
}

void tst_OutgoingLifecycle::secondConnectShouldDropTheFirstConnection()
{
    peer = w->connectOutgoingTo(*server);
    QVERIFY(peer);
    StatusLog log(*w);
    w->markStatus();
    w->click("btnConnectOS");
    QCOMPARE(w->status(), QStringLiteral("(marker)"));

    auto second = acceptedPeer(*server);
    QVERIFY(second);
    QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE(w->status(), outgoingConnectedTo + peerName(*server));
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateConnected));
    QCOMPARE(second->state(), QAbstractSocket::ConnectedState);
    // Dropping the first connection was our own doing, not the remote's.
    QVERIFY(!log.contains(closedByRemote));
    QVERIFY(!log.contains(disconnected));

    // What is sent now reaches the new peer.
    w->send(QStringLiteral("OS"), 0, QStringLiteral("new"));
    QCOMPARE(readExactly(*second, 3), QByteArray("new"));
}

void tst_OutgoingLifecycle::disconnectShouldAlwaysReport_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("never opened") << QStringLiteral("nothing");
    QTest::newRow("connected") << QStringLiteral("connected");
    QTest::newRow("closed by the peer") << QStringLiteral("peer closed");
    QTest::newRow("after a refusal") << QStringLiteral("refused");
    QTest::newRow("udp open") << QStringLiteral("udp");
}

void tst_OutgoingLifecycle::disconnectShouldAlwaysReport()
{
    QFETCH(QString, before);
    if (before == QStringLiteral("connected") || before == QStringLiteral("peer closed")) {
        peer = w->connectOutgoingTo(*server);
        QVERIFY(peer);
    }
    if (before == QStringLiteral("peer closed")) {
        peer->disconnectFromHost();
        QTRY_COMPARE(w->status(), closedByRemote);
    } else if (before == QStringLiteral("refused")) {
        w->connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(freeTcpPort()));
        QTRY_VERIFY(w->status().startsWith(outgoingError));
    } else if (before == QStringLiteral("udp")) {
        const auto receiver = loopbackUdpPeer();
        QVERIFY(receiver);
        QVERIFY(w->openOutgoingTo(*receiver));
    }

    for (int click = 0; click < 2; ++click) {
        w->markStatus();
        w->click("btnDisconnectOS");
        QCOMPARE(w->status(), disconnected);
        QCOMPARE(w->statusColour(), black);
        QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateClosed));
    }
    if (before == QStringLiteral("connected"))
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
}

void tst_OutgoingLifecycle::rangeEndsShouldPassThePortCheck_data()
{
    QTest::addColumn<int>("transport");
    QTest::addColumn<QString>("port");
    QTest::newRow("tcp, lowest") << 0 << QStringLiteral("0");
    QTest::newRow("tcp, highest") << 0 << QStringLiteral("65535");
    QTest::newRow("udp, lowest") << 1 << QStringLiteral("0");
    QTest::newRow("udp, highest") << 1 << QStringLiteral("65535");
}

void tst_OutgoingLifecycle::rangeEndsShouldPassThePortCheck()
{
    QFETCH(int, transport);
    QFETCH(QString, port);
    StatusLog log(*w);
    w->markStatus();
    w->connectOutgoing(QStringLiteral("127.0.0.1"), port, transport);
    QCOMPARE(w->textColour("txtRemotePort"), black);
    if (transport == 1) {
        QCOMPARE(w->status(), outgoingConnectedTo + QStringLiteral("127.0.0.1:") + port);
        QCOMPARE(w->statusColour(), blue);
        QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateOpen));
    } else {
        // Whatever the attempt's outcome, it is the socket's event that reports it.
        QTRY_VERIFY(w->status() != QStringLiteral("(marker)"));
        QVERIFY2(w->status().startsWith(outgoingError) || w->status().startsWith(outgoingConnectedTo),
                 qPrintable(w->status()));
    }
    QVERIFY(!log.contains(outgoingInvalidPort));
    QCOMPARE(w->textColour("txtRemotePort"), black);
}

void tst_OutgoingLifecycle::shouldRejectABadPortAndKeepTheConnection_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("outOfRange"); // a number out of range, or no number at all
    QTest::newRow("one above") << QStringLiteral("65536") << true;
    QTest::newRow("below zero") << QStringLiteral("-1") << true;
    QTest::newRow("just below zero") << QStringLiteral("-0.1") << true;
    QTest::newRow("exponent") << QStringLiteral("7e4") << true;
    QTest::newRow("huge") << QStringLiteral("99999") << true;
    QTest::newRow("beyond any number") << QStringLiteral("1e999") << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("blanks only") << QStringLiteral("   ") << false;
    QTest::newRow("letters") << QStringLiteral("abc") << false;
    QTest::newRow("hex") << QStringLiteral("0x10") << false;
    QTest::newRow("two numbers") << QStringLiteral("1 2") << false;
}

void tst_OutgoingLifecycle::shouldRejectABadPortAndKeepTheConnection()
{
    QFETCH(QString, port);
    QFETCH(bool, outOfRange);
    peer = w->connectOutgoingTo(*server);
    QVERIFY(peer);
    w->type("txtRemotePort", port);
    w->click("btnConnectOS");
    if (outOfRange) {
        QCOMPARE(w->status(), outgoingInvalidPort);
    } else {
        QVERIFY2(w->status().startsWith(outgoingError), qPrintable(w->status()));
        QVERIFY2(w->status().size() > outgoingError.size(), "the description says what was wrong");
    }
    QCOMPARE(w->statusColour(), red);
    // Only a port out of range is marked red in its box.
    QCOMPARE(w->textColour("txtRemotePort"), outOfRange ? red : black);

    // The open connection is left as it was: still up, both ways.
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateConnected));
    peer->write("still here");
    QTRY_COMPARE(w->text("txtReceivedDataOS"), QStringLiteral("still here"));
    w->send(QStringLiteral("OS"), 0, QStringLiteral("me too"));
    QCOMPARE(readExactly(*peer, 6), QByteArray("me too"));
    QCOMPARE(peer->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(server->hasPendingConnections(), false);
}

void tst_OutgoingLifecycle::rejectedPortShouldStayRedUntilItsTextChanges()
{
    w->type("txtRemoteIP", QStringLiteral("127.0.0.1"));
    w->type("txtRemotePort", QStringLiteral("65536"));
    w->click("btnConnectOS");
    QCOMPARE(w->textColour("txtRemotePort"), red);

    // Other actions leave the mark alone.
    w->click("btnDisconnectOS");
    w->type("txtRemoteIP", QStringLiteral("localhost"));
    QCOMPARE(w->textColour("txtRemotePort"), red);

    // Any edit clears it, before the port is tried again.
    QTest::keyClick(w->find<QWidget>("txtRemotePort"), Qt::Key_Backspace);
    QCOMPARE(w->text("txtRemotePort"), QStringLiteral("6553"));
    QCOMPARE(w->textColour("txtRemotePort"), black);
    QCOMPARE(w->status(), disconnected);

    // And a later rejection marks it again.
    QTest::keyClicks(w->find<QWidget>("txtRemotePort"), QStringLiteral("9"));
    w->click("btnConnectOS");
    QCOMPARE(w->status(), outgoingInvalidPort);
    QCOMPARE(w->textColour("txtRemotePort"), red);
}

void tst_OutgoingLifecycle::udpConnectShouldNameTheBoxesAsTyped_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::newRow("address") << QStringLiteral("127.0.0.1") << QStringLiteral("4000");
    QTest::newRow("leading zero") << QStringLiteral("127.0.0.1") << QStringLiteral("04000");
    QTest::newRow("blanks kept") << QStringLiteral(" 127.0.0.1") << QStringLiteral("4000 ");
    QTest::newRow("name stays a name") << QStringLiteral("localhost") << QStringLiteral("4000");
    QTest::newRow("ipv6") << QStringLiteral("::1") << QStringLiteral("4000");
}

void tst_OutgoingLifecycle::udpConnectShouldNameTheBoxesAsTyped()
{
    QFETCH(QString, host);
    QFETCH(QString, port);
    // Nothing listens there and nothing needs to: UDP has no handshake.
    w->connectOutgoing(host, port, 1);
    QCOMPARE(w->status(), outgoingConnectedTo + host + u':' + port);
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(w->outgoingSocket()->State(), int(EventSocket::StateOpen));
}

namespace {

const char *const closeDuringLookup = "--close-during-lookup";

// The program as a user runs it, in a process of its own: a Connect (and for
// UDP a Send) to a name that is never answered, then the window's close
// button. Prints the status line as it stood before the close; ends when
// the application's event loop does.
int closeWindowDuringLookup(int argc, char *argv[])
{
    QApplication application(argc, argv);
    WindowDriver w;
    const bool udp = qstrcmp(argv[2], "udp") == 0;
    w.connectOutgoing(QStringLiteral("slow.") + SilentResolver::silentDomain, QStringLiteral("80"), udp ? 1 : 0);
    if (udp)
        w.send(QStringLiteral("OS"), 0, QStringLiteral("hello"));
    if (!QTest::qWaitFor([] { return SilentResolver::lookupsWaiting() > 0; }))
        return 2;
    std::printf("%s\n", qPrintable(w.status()));
    std::fflush(stdout);
    QTimer::singleShot(0, w.window, [&w] { w.window->windowHandle()->close(); });
    return application.exec();
}

} // namespace

// A lookup still running when the window closes is abandoned: the process
// ends at once rather than when (or if) the name server answers.
void tst_OutgoingLifecycle::closingShouldNotWaitForALookup_data()
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<QString>("status");
    QTest::newRow("TCP Connect") << QStringLiteral("tcp") << startUp;
    QTest::newRow("UDP Connect and Send")
        << QStringLiteral("udp")
        << outgoingError + QStringLiteral("The host name is still being looked up; send again once it is found");
}

void tst_OutgoingLifecycle::closingShouldNotWaitForALookup()
{
    QFETCH(QString, transport);
    QFETCH(QString, status);
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(closeDuringLookup), transport});
    // A bound for a hang, not a pause: the program ends in well under a second.
    const bool ended = program.waitForFinished(20000);
    if (!ended)
        program.kill();
    QVERIFY2(ended, "the program was still running 20 s after its window closed");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()).trimmed(), status);
}

namespace {

qsizetype entriesOf(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

} // namespace

// Every Connect while the resolver hangs supersedes the lookup before it:
// the process keeps no thread or descriptor for each, and the answer the
// last one waits for still comes.
void tst_OutgoingLifecycle::supersededLookupsShouldNotPileUp_data()
{
    QTest::addColumn<bool>("newNames");
    QTest::newRow("the same name again and again") << false;
    QTest::newRow("a new name each time") << true;
}

void tst_OutgoingLifecycle::supersededLookupsShouldNotPileUp()
{
    QFETCH(bool, newNames);
    StatusLog log(*w);
    const qsizetype threads = entriesOf(QStringLiteral("/proc/self/task"));
    const qsizetype descriptors = entriesOf(QStringLiteral("/proc/self/fd"));
    w->connectOutgoing(QStringLiteral("again.") + SilentResolver::silentDomain, QStringLiteral("80"));
    for (int click = 1; click < 50; ++click) {
        if (newNames)
            w->type(QStringLiteral("txtRemoteIP"), QStringLiteral("name%1.").arg(click) + SilentResolver::silentDomain);
        w->click("btnConnectOS");
    }
    QTRY_VERIFY(SilentResolver::lookupsWaiting() > 0);
    // A lookup cannot be called back, so a few may hang: a small constant.
    QVERIFY2(
        entriesOf(QStringLiteral("/proc/self/task")) <= threads + 2,
        qPrintable(
            QStringLiteral("%1 threads, %2 before").arg(entriesOf(QStringLiteral("/proc/self/task"))).arg(threads)));
    QVERIFY2(entriesOf(QStringLiteral("/proc/self/fd")) <= descriptors + 2,
             qPrintable(QStringLiteral("%1 descriptors, %2 before")
                            .arg(entriesOf(QStringLiteral("/proc/self/fd")))
                            .arg(descriptors)));

    // The last Connect is answered, once the resolver has given up on the
    // names before it; their answers go nowhere.
    w->connectOutgoing(fourThenSix, QString::number(server->serverPort()));
    SilentResolver::giveUp();
    QTRY_COMPARE(w->status(), outgoingConnectedTo + peerName(*server));
    QVERIFY2(!log.messages.join(u'\n').contains(outgoingError), qPrintable(log.messages.join(u'\n')));
    QTRY_VERIFY(entriesOf(QStringLiteral("/proc/self/task")) <= threads);
}

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], closeDuringLookup) == 0)
        return closeWindowDuringLookup(argc, argv);
    QApplication application(argc, argv);
    tst_OutgoingLifecycle test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_outgoinglifecycle.moc"
