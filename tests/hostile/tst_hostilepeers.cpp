// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HeldMemory.h"
#include "HostileWindow.h"
#include "Pourer.h"
#include "Renderings.h"
#include "StatusJudge.h"

#include <QDeadlineTimer>

#include <sys/socket.h>

// Peers that come and go at the worst moments, and a user who keeps clicking
// while data pours in.
class tst_HostilePeers : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shouldListenAgainAfterPeersThatLeaveAtOnce_data();
    void shouldListenAgainAfterPeersThatLeaveAtOnce();
    void shouldTurnAwayEveryOtherPeerWhileOneIsConnected();
    void shouldShowWhatAPeerSentBeforeItLeft_data();
    void shouldShowWhatAPeerSentBeforeItLeft();
    void shouldAnswerEveryClickWhileDataPours();

private:
    // A raw peer the listening panel has taken and named, trying again while
    // the panel is still busy with a peer before it; null after ten seconds.
    std::unique_ptr<QTcpSocket> admittedPeer(quint16 port);

    std::unique_ptr<WindowDriver> w;
    std::unique_ptr<StatusLog> log;
    std::unique_ptr<StatusJudge> judge;
    MemoryWatch memory;
};

void tst_HostilePeers::init()
{
    w = std::make_unique<WindowDriver>();
    QVERIFY(QTest::qWaitForWindowExposed(w->window));
    log = std::make_unique<StatusLog>(*w);
    judge = std::make_unique<StatusJudge>(*w);
    memory.start();
}

void tst_HostilePeers::cleanup()
{
    const qint64 growth = memory.growth(QTest::currentTestFunction());
    QVERIFY2(w->window, "the main window is gone");
    // Every message the status line showed in the test is the program's.
    QVERIFY2(judge->strange.isEmpty(), qPrintable(judge->strange.join(u'\n')));
    QVERIFY2(growth < allowedGrowth,
             qPrintable(QStringLiteral("the process holds %1 MiB more than at the start").arg(growth / (1024 * 1024))));
    judge.reset();
    log.reset();
    w.reset();
}

std::unique_ptr<QTcpSocket> tst_HostilePeers::admittedPeer(quint16 port)
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        auto peer = std::make_unique<QTcpSocket>();
        peer->connectToHost(QHostAddress::LocalHost, port);
        // Refused while the panel holds the peer before it, or taken in by
        // the system and then turned away because the panel closed its
        // listener for that peer: either way, knock again.
        const QString named = StatusMessages::listeningConnectedTo;
        (void)QTest::qWaitFor(
            [&] {
                return peer->state() == QAbstractSocket::UnconnectedState
                       || (peer->state() == QAbstractSocket::ConnectedState && w->status() == named + peerName(*peer));
            },
            int(deadline.remainingTime()));
        if (peer->state() == QAbstractSocket::ConnectedState && w->status() == named + peerName(*peer))
            return peer;
    }
    return nullptr;
}

void tst_HostilePeers::shouldListenAgainAfterPeersThatLeaveAtOnce_data()
{
    QTest::addColumn<bool>("reset");
    QTest::newRow("closes as soon as it is connected") << false;
    QTest::newRow("resets as soon as it is connected") << true;
}

void tst_HostilePeers::shouldListenAgainAfterPeersThatLeaveAtOnce()
{
    QFETCH(bool, reset);
    const quint16 port = listenOnSteadyPort(*w);
    QVERIFY(port);

    for (int round = 1; round <= 20; ++round) {
        QTcpSocket hostile;
        hostile.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY2(hostile.waitForConnected(5000),
                 qPrintable(QStringLiteral("round %1: %2").arg(round).arg(hostile.errorString())));
        if (reset) {
            // A linger time of zero turns the close into a reset.
            const linger now{1, 0};
            QCOMPARE(::setsockopt(int(hostile.socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now), 0);
        }
        hostile.abort();

        // A well-behaved peer follows. Peers are taken in the order they
        // came, so once the window names this one, it is done with the one
        // before; and this one must then be served as any other.
        auto follower = admittedPeer(port);
        QVERIFY2(follower, qPrintable(QStringLiteral("round %1: no peer got in after the hostile one").arg(round)));
        const QByteArray greeting = "hello " + QByteArray::number(round);
        follower->write(greeting);
        QTRY_COMPARE(w->text(QStringLiteral("txtReceivedDataLS")), QString::fromLatin1(greeting));
        w->send(QStringLiteral("LS"), 0, QStringLiteral("welcome"));
        QCOMPARE(w->status(), StatusMessages::listeningTcpSentTo + peerName(*follower));
        QCOMPARE(readExactly(*follower, 7), QByteArray("welcome"));
        follower->disconnectFromHost();
        QTRY_COMPARE(w->listeningSocket()->State(), int(EventSocket::StateListening));
        QCOMPARE(w->status(), listeningMessage(*w, port));
        QCOMPARE(w->statusColour(), blue);
    }
    const QStringList errors = log->messages.filter(QStringLiteral("Error"));
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));

    QVERIFY2(judge->namelessPeers.isEmpty(), qPrintable(judge->namelessPeers.join(u'\n')));
}

void tst_HostilePeers::shouldTurnAwayEveryOtherPeerWhileOneIsConnected()
{
    constexpr int attempts = 200;
    constexpr int atOnce = 50;
    const quint16 port = listenOnSteadyPort(*w);
    QVERIFY(port);
    auto first = connectedClient(port);
    QVERIFY(first);
    const QString connected = StatusMessages::listeningConnectedTo + peerName(*first);
    QTRY_COMPARE(w->status(), connected);
    QSignalSpy requests(w->listeningSocket(), &EventSocket::ConnectionRequest);

    int refused = 0;
    int admitted = 0;
    for (int made = 0; made < attempts; made += atOnce) {
        std::vector<std::unique_ptr<QTcpSocket>> knocking;
        for (int i = 0; i < atOnce; ++i) {
            auto peer = std::make_unique<QTcpSocket>();
            connect(peer.get(), &QAbstractSocket::connected, peer.get(), [&admitted] { ++admitted; });
            peer->connectToHost(QHostAddress::LocalHost, port);
            knocking.push_back(std::move(peer));
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            std::all_of(knocking.begin(), knocking.end(),
                        [](const auto &peer) { return peer->state() == QAbstractSocket::UnconnectedState; }),
            20000);
        for (const auto &peer : knocking)
            refused += peer->error() == QAbstractSocket::ConnectionRefusedError ? 1 : 0;
    }
    QCOMPARE(admitted, 0);
    QCOMPARE(refused, attempts);
    QCOMPARE(requests.count(), 0);

    // The first peer noticed nothing: the panel still serves it alone.
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateConnected));
    QCOMPARE(w->status(), connected);
    QCOMPARE(first->state(), QAbstractSocket::ConnectedState);
    first->write("still here");
    QTRY_COMPARE(w->text(QStringLiteral("txtReceivedDataLS")), QStringLiteral("still here"));
    QCOMPARE(w->status(), StatusMessages::listeningReceivedFrom + peerName(*first));
    w->send(QStringLiteral("LS"), 0, QStringLiteral("so am I"));
    QCOMPARE(w->status(), StatusMessages::listeningTcpSentTo + peerName(*first));
    QCOMPARE(readExactly(*first, 7), QByteArray("so am I"));
}

void tst_HostilePeers::shouldShowWhatAPeerSentBeforeItLeft_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<qint64>("size");
    QTest::newRow("a few bytes, as text") << 0 << qint64(7);
    QTest::newRow("a few bytes, in hex") << 2 << qint64(7);
    QTest::newRow("a quarter megabyte, in hex") << 2 << qint64(256 * 1024);
}

void tst_HostilePeers::shouldShowWhatAPeerSentBeforeItLeft()
{
    QFETCH(int, format);
    QFETCH(qint64, size);
    const quint16 port = listenOnSteadyPort(*w);
    QVERIFY(port);
    w->select(QStringLiteral("optionRxDataFormatLS"), format);
    ArrivalCounter counter(w->listeningSocket());

    // The text row sends letters, so that its rendering is the bytes themselves.
    const QByteArray sent = format == 0 ? QByteArray("bye now") : streamSlice(0, size);
    QTcpSocket peer;
    peer.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(peer.waitForConnected(5000));
    const QString name = peerName(peer);
    peer.write(sent);
    peer.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(counter.announced, qint64(sent.size()), 20000);
    QTRY_COMPARE(w->status(), listeningMessage(*w, port));
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateListening));

    const QByteArray last = sent.right(counter.lastCount);
    const QString expected = format == 0 ? QString::fromLatin1(last) : hexRendering(last);
    const QString shown = w->text(QStringLiteral("txtReceivedDataLS"));
    QVERIFY2(shown == expected, firstDifference(shown, expected).constData());

    // Connected, then its data, then listening again: in that order.
    const qsizetype connectedAt = log->messages.indexOf(StatusMessages::listeningConnectedTo + name);
    const qsizetype receivedAt = log->messages.lastIndexOf(StatusMessages::listeningReceivedFrom + name);
    const qsizetype listeningAt = log->messages.lastIndexOf(listeningMessage(*w, port));
    QVERIFY2(connectedAt >= 0 && connectedAt < receivedAt && receivedAt < listeningAt,
             qPrintable(log->messages.join(u'\n')));

    // And it does listen: the next peer gets in.
    auto next = connectedClient(port);
    QVERIFY(next);
    QTRY_COMPARE(w->status(), StatusMessages::listeningConnectedTo + peerName(*next));
}

void tst_HostilePeers::shouldAnswerEveryClickWhileDataPours()
{
    const QString receivedBox = QStringLiteral("txtReceivedDataLS");
    const QString outgoingBox = QStringLiteral("txtReceivedDataOS");
    const auto holdsOnly = [](const QString &text, QChar fill) {
        return !text.isEmpty() && text.count(fill) == text.size();
    };

    const quint16 port = listenOnSteadyPort(*w);
    QVERIFY(port);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QString serverName = peerName(server);

    auto listeningPeer = connectedClient(port);
    QVERIFY(listeningPeer);
    QTRY_COMPARE(w->listeningSocket()->State(), int(EventSocket::StateConnected));
    w->connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()));
    auto outgoingPeer = acceptedPeer(server);
    QVERIFY(outgoingPeer);
    QTRY_COMPARE(w->outgoingSocket()->State(), int(EventSocket::StateConnected));
    auto pourIntoListening = std::make_unique<Pourer>(listeningPeer.get(), 'L');
    auto pourIntoOutgoing = std::make_unique<Pourer>(outgoingPeer.get(), 'O');
    QTRY_VERIFY(holdsOnly(w->text(receivedBox), u'L'));
    QTRY_VERIFY(holdsOnly(w->text(outgoingBox), u'O'));

    // Both panels send while they are being flooded.
    w->send(QStringLiteral("LS"), 0, QStringLiteral("ping"));
    QCOMPARE(w->status(), StatusMessages::listeningTcpSentTo + peerName(*listeningPeer));
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(readExactly(*listeningPeer, 4), QByteArray("ping"));
    w->send(QStringLiteral("OS"), 0, QStringLiteral("pong"));
    QCOMPARE(w->status(), StatusMessages::outgoingTcpSentTo + serverName);
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(readExactly(*outgoingPeer, 4), QByteArray("pong"));

    // Close: said at once, and nothing the closed connection had on its way
    // shows afterwards, while the outgoing panel's arrivals go on.
    ArrivalCounter listeningArrivals(w->listeningSocket());
    ArrivalCounter outgoingArrivals(w->outgoingSocket());
    w->click(QStringLiteral("btnCloseLS"));
    QCOMPARE(w->status(), StatusMessages::notListening);
    QCOMPARE(w->statusColour(), black);
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateClosed));
    const QString closedBox = w->text(receivedBox);
    log->messages.clear();
    log->colours.clear();
    QTRY_COMPARE(listeningPeer->state(), QAbstractSocket::UnconnectedState);
    const qint64 arrivalsSoFar = outgoingArrivals.arrivals;
    QTRY_VERIFY(outgoingArrivals.arrivals >= arrivalsSoFar + 3);
    QCOMPARE(listeningArrivals.arrivals, qint64(0));
    QCOMPARE(w->text(receivedBox), closedBox);
    for (const QString &message : std::as_const(log->messages))
        QVERIFY2(!message.startsWith(QStringLiteral("Listening Socket -> ")), qPrintable(message));

    // Listen: said at once, and a new peer gets in and pours.
    w->click(QStringLiteral("btnSetPort"));
    QCOMPARE(w->status(), listeningMessage(*w, port));
    QCOMPARE(w->statusColour(), blue);
    auto secondPeer = connectedClient(port);
    QVERIFY(secondPeer);
    QTRY_COMPARE(w->listeningSocket()->State(), int(EventSocket::StateConnected));
    auto pourFromSecond = std::make_unique<Pourer>(secondPeer.get(), 'M');
    QTRY_VERIFY(holdsOnly(w->text(receivedBox), u'M'));

    // Connect again: the old connection goes without a word, and nothing it
    // still had on its way shows: when the new one is made, the box still
    // holds what it held at the click.
    log->messages.clear();
    log->colours.clear();
    QString boxAtConnect;
    QObject connectWatch;
    connect(w->outgoingSocket(), &EventSocket::ConnectEvent, &connectWatch,
            [&] { boxAtConnect = w->text(outgoingBox); });
    w->click(QStringLiteral("btnConnectOS"));
    QVERIFY2(log->messages.isEmpty(), qPrintable(log->messages.join(u'\n')));
    const QString boxAtClick = w->text(outgoingBox);
    QTRY_COMPARE(outgoingPeer->state(), QAbstractSocket::UnconnectedState);
    auto secondOutgoingPeer = acceptedPeer(server);
    QVERIFY(secondOutgoingPeer);
    QTRY_VERIFY(log->contains(StatusMessages::outgoingConnectedTo + serverName));
    QVERIFY2(boxAtConnect == boxAtClick, firstDifference(boxAtConnect, boxAtClick).constData());
    auto pourIntoSecond = std::make_unique<Pourer>(secondOutgoingPeer.get(), 'P');
    QTRY_VERIFY(holdsOnly(w->text(outgoingBox), u'P'));

    // Disconnect: said at once; a send then finds no connection.
    w->click(QStringLiteral("btnDisconnectOS"));
    QCOMPARE(w->status(), StatusMessages::disconnected);
    QCOMPARE(w->statusColour(), black);
    w->send(QStringLiteral("OS"), 0, QStringLiteral("lost"));
    QCOMPARE(w->status(), StatusMessages::outgoingNotConnected);
    QCOMPARE(w->statusColour(), red);
    QCOMPARE(w->text(QStringLiteral("txtTransmitDataOS")), QStringLiteral("lost"));
    QTRY_COMPARE(secondOutgoingPeer->state(), QAbstractSocket::UnconnectedState);

    // Listen while the second peer pours: it is dropped, and the panel listens.
    w->click(QStringLiteral("btnSetPort"));
    QCOMPARE(w->status(), listeningMessage(*w, port));
    QCOMPARE(w->statusColour(), blue);
    QCOMPARE(w->listeningSocket()->State(), int(EventSocket::StateListening));
    QTRY_COMPARE(secondPeer->state(), QAbstractSocket::UnconnectedState);
    const QString afterListen = w->text(receivedBox);

    // Close once more; nothing is left pouring, so the line keeps its word.
    w->click(QStringLiteral("btnCloseLS"));
    QCOMPARE(w->status(), StatusMessages::notListening);
    QCOMPARE(w->statusColour(), black);
    QCoreApplication::processEvents();
    QCOMPARE(w->status(), StatusMessages::notListening);
    QCOMPARE(w->text(receivedBox), afterListen);
    qInfo("poured into the listening panel %lld + %lld bytes, into the outgoing panel %lld + %lld bytes",
          pourIntoListening->poured, pourFromSecond->poured, pourIntoOutgoing->poured, pourIntoSecond->poured);
}

QTEST_MAIN(tst_HostilePeers)
#include "tst_hostilepeers.moc"
