// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SocketPeers.h"

#include <algorithm>

#include <sys/socket.h>

// The listening side over TCP, against raw Qt clients on loopback.
class tst_SocketListening : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        socket = std::make_unique<EventSocket>();
        failure.clear();
    }
    void cleanup() { socket.reset(); }

    void shouldListenOnThePortTheSystemChose();
    void shouldAcceptAfterClosingInsideTheRequestHandler();
    void shouldShowThePeerAddressInItsUsualText_data();
    void shouldShowThePeerAddressInItsUsualText();
    void shouldKeepWhatAPeerSentBeforeItWasAccepted_data();
    void shouldKeepWhatAPeerSentBeforeItWasAccepted();
    void shouldRefuseOtherPeersWhileOneIsConnected();
    void shouldListenAgainOnTheSamePortWhenThePeerLeaves();
    void shouldListenAgainOnTheSamePortAfterDroppingAPeer();
    void shouldTakeAResetAsThePeerLeaving();
    void shouldDeliverBytesBeforeTheCloseEvent();
    void shouldTurnAwayARequestThatIsNotAccepted();
    void shouldRaiseNoCloseEventForALocalClose();
    void shouldRaiseNothingMoreAfterCloseInsideADataHandler();
    void shouldReportAPortInUse_data();
    void shouldReportAPortInUse();
    void shouldRefuseOperationsInTheWrongState();

private:
    // Listens on a port the system chose and answers each request as the
    // listening panel does, keeping what failed in failure.
    void listenAsThePanelDoes()
    {
        listenTcp(*socket);
        acceptEachRequest(*socket, failure);
    }

    std::unique_ptr<EventSocket> socket;
    QString failure;
};

void tst_SocketListening::shouldListenOnThePortTheSystemChose()
{
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));
    socket->SetProtocol(EventSocket::TcpProtocol);
    socket->Bind(QStringLiteral("0"));
    QCOMPARE(socket->State(), int(EventSocket::StateOpen));
    const int port = socket->LocalPort();
    QVERIFY(port > 0);
    socket->Listen();
    QCOMPARE(socket->State(), int(EventSocket::StateListening));

    QSignalSpy requests(socket.get(), &EventSocket::ConnectionRequest);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, quint16(port));
    QVERIFY(requests.wait());
    QCOMPARE(requests.count(), 1);

    socket->Close();
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));
}

void tst_SocketListening::shouldAcceptAfterClosingInsideTheRequestHandler()
{
    listenTcp(*socket);
    int stateAfterAccept = -1;
    QObject::connect(socket.get(), &EventSocket::ConnectionRequest, socket.get(), [&](int requestID) {
        keepFailure(failure, [&] {
            socket->Close();
            socket->Accept(requestID);
            stateAfterAccept = socket->State();
        });
    });
    QByteArray received;
    collectArrivals(*socket, received);

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, quint16(socket->LocalPort()));
    QTRY_COMPARE(stateAfterAccept, int(EventSocket::StateConnected));
    QCOMPARE(failure, QString());
    QCOMPARE(socket->State(), int(EventSocket::StateConnected));
    QCOMPARE(socket->RemotePort(), int(client.localPort()));

    client.write("ping");
    QTRY_COMPARE(received, QByteArray("ping"));

    socket->SendData(QByteArrayLiteral("pong\0\xff"));
    QTRY_COMPARE(client.bytesAvailable(), 6);
    QCOMPARE(client.readAll(), QByteArrayLiteral("pong\0\xff"));
}

void tst_SocketListening::shouldShowThePeerAddressInItsUsualText_data()
{
    QTest::addColumn<QHostAddress>("clientAddress");
    QTest::addColumn<QString>("expected");

    // The listener is dual stack: an IPv4 peer comes in as ::ffff:127.0.0.1
    // and must still read as the dotted address.
    QTest::newRow("IPv4 peer, dotted") << QHostAddress(QHostAddress::LocalHost) << QStringLiteral("127.0.0.1");
    QTest::newRow("IPv6 peer") << QHostAddress(QHostAddress::LocalHostIPv6) << QStringLiteral("::1");
}

void tst_SocketListening::shouldShowThePeerAddressInItsUsualText()
{
    QFETCH(QHostAddress, clientAddress);
    QFETCH(QString, expected);

    listenAsThePanelDoes();

    const auto client = clientAcceptedBy(*socket, clientAddress);
    QVERIFY(client);
    QCOMPARE(failure, QString());
    QCOMPARE(socket->RemoteHostIP(), expected);
    QCOMPARE(socket->RemotePort(), int(client->localPort()));
}

void tst_SocketListening::shouldKeepWhatAPeerSentBeforeItWasAccepted_data()
{
    QTest::addColumn<bool>("peerLeaves");
    QTest::addColumn<bool>("acceptLate");
    QTest::addColumn<QByteArray>("early");

    const QByteArray few("early bytes");
    QTest::newRow("peer stays, accepted at once") << false << false << few;
    QTest::newRow("peer stays, accepted after its bytes were read") << false << true << few;
    QTest::newRow("peer sends and leaves, accepted at once") << true << false << few;
    QTest::newRow("peer sends and leaves, accepted after it was gone") << true << true << few;
    // All of it read before the accept, and the peer gone: still announced
    // a bounded piece per arrival, the close after the last.
    QTest::newRow("peer sends more than an arrival holds and leaves, accepted after it was gone")
        << true << true << QByteArray(600 * 1024, 'e');
}

void tst_SocketListening::shouldKeepWhatAPeerSentBeforeItWasAccepted()
{
    QFETCH(bool, peerLeaves);
    QFETCH(bool, acceptLate);
    QFETCH(QByteArray, early);

    socket->SetProtocol(EventSocket::TcpProtocol);
    socket->Bind(QStringLiteral("0"));
    const auto port = quint16(socket->LocalPort());

    // Bound but not listening yet: the connection waits in the backlog while
    // the peer sends, and leaves if it is to leave.
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(client.waitForConnected(5000));
    const int clientPort = client.localPort();
    client.write(early);
    while (client.bytesToWrite() > 0)
        QVERIFY(client.waitForBytesWritten(5000));
    if (peerLeaves) {
        client.disconnectFromHost();
        if (client.state() != QAbstractSocket::UnconnectedState)
            QVERIFY(client.waitForDisconnected(5000));
    }

    EventLog log(*socket);
    bool waitedInVain = false;
    QObject::connect(socket.get(), &EventSocket::ConnectionRequest, socket.get(), [&](int requestID) {
        if (acceptLate) {
            // A busy window answers late: by then the waiting connection has
            // read what the peer sent, and seen it leave.
            const auto waitingConnection = [&] {
                const auto sockets = socket->findChildren<QTcpSocket *>();
                return std::any_of(sockets.cbegin(), sockets.cend(), [&](QTcpSocket *waiting) {
                    return waiting->bytesAvailable() == early.size()
                           && (!peerLeaves || waiting->state() == QAbstractSocket::UnconnectedState);
                });
            };
            QDeadlineTimer deadline(5000);
            while (!waitingConnection() && !deadline.hasExpired())
                QTest::qWait(5);
            waitedInVain = !waitingConnection();
        }
        keepFailure(failure, [&] {
            socket->Close();
            socket->Accept(requestID);
        });
    });
    QByteArray received;
    collectArrivals(*socket, received);
    socket->Listen();

    QTRY_COMPARE(received, early);
    QVERIFY(!waitedInVain);
    QCOMPARE(failure, QString());
    QCOMPARE(socket->RemoteHostIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(socket->RemotePort(), clientPort);
    for (const QString &entry : std::as_const(log.entries)) {
        if (entry.startsWith(QStringLiteral("DataArrival ")))
            QVERIFY2(entry.sliced(12).toInt() <= 256 * 1024, qPrintable(entry));
    }
    if (peerLeaves) {
        QTRY_COMPARE(log.entries.constLast(), QStringLiteral("Close"));
        QCOMPARE(log.entries.count(QStringLiteral("Close")), 1);
        QCOMPARE(socket->State(), int(EventSocket::StateClosing));
    } else {
        QCOMPARE(socket->State(), int(EventSocket::StateConnected));
        QVERIFY(!log.entries.contains(QStringLiteral("Close")));
    }
}

void tst_SocketListening::shouldRefuseOtherPeersWhileOneIsConnected()
{
    listenAsThePanelDoes();
    const auto port = quint16(socket->LocalPort());
    QSignalSpy requests(socket.get(), &EventSocket::ConnectionRequest);
    QByteArray received;
    collectArrivals(*socket, received);

    const auto first = clientAcceptedBy(*socket);
    QVERIFY(first);

    // The listener closed before it accepted, so nobody answers on the port.
    for (int attempt = 0; attempt < 20; ++attempt) {
        QTcpSocket other;
        QSignalSpy errors(&other, &QAbstractSocket::errorOccurred);
        other.connectToHost(attempt % 2 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost, port);
        QVERIFY(errors.wait());
        QCOMPARE(other.error(), QAbstractSocket::ConnectionRefusedError);
    }
    QCOMPARE(requests.count(), 1);

    first->write("still here");
    QTRY_COMPARE(received, QByteArray("still here"));
    QCOMPARE(socket->RemotePort(), int(first->localPort()));
    QCOMPARE(failure, QString());
}

void tst_SocketListening::shouldListenAgainOnTheSamePortWhenThePeerLeaves()
{
    listenAsThePanelDoes();
    const int port = socket->LocalPort();
    // As the listening panel does when its peer leaves: close, and set the
    // same instance up again inside the event.
    int listens = 0;
    QObject::connect(socket.get(), &EventSocket::CloseEvent, socket.get(), [&] {
        keepFailure(failure, [&] {
            socket->Close();
            socket->SetProtocol(EventSocket::TcpProtocol);
            socket->SetLocalPort(port);
            socket->Bind(QString::number(port));
            socket->Listen();
            ++listens;
        });
    });

    for (int round = 1; round <= 3; ++round) {
        const auto client =
            clientAcceptedBy(*socket, round == 2 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost);
        QVERIFY(client);
        client->disconnectFromHost();
        QTRY_COMPARE(listens, round);
        QCOMPARE(failure, QString());
        QCOMPARE(socket->State(), int(EventSocket::StateListening));
        QCOMPARE(socket->LocalPort(), port);
    }
}

void tst_SocketListening::shouldListenAgainOnTheSamePortAfterDroppingAPeer()
{
    listenAsThePanelDoes();
    const int port = socket->LocalPort();

    const auto client = clientAcceptedBy(*socket);
    QVERIFY(client);
    QSignalSpy clientGone(client.get(), &QAbstractSocket::disconnected);

    // This side closes first, so its end of the old connection lingers in
    // TIME_WAIT on the very port it listens on again.
    socket->Close();
    QVERIFY(clientGone.wait());
    listenTcp(*socket, QString::number(port));
    QCOMPARE(socket->LocalPort(), port);

    const auto next = clientAcceptedBy(*socket);
    QVERIFY(next);
    QCOMPARE(socket->RemotePort(), int(next->localPort()));
    QCOMPARE(failure, QString());
}

void tst_SocketListening::shouldTakeAResetAsThePeerLeaving()
{
    listenAsThePanelDoes();
    const int port = socket->LocalPort();
    int listens = 0;
    QObject::connect(socket.get(), &EventSocket::CloseEvent, socket.get(), [&] {
        keepFailure(failure, [&] {
            listenTcp(*socket, QString::number(port));
            ++listens;
        });
    });
    EventLog log(*socket);

    for (int round = 1; round <= 5; ++round) {
        const auto client = clientAcceptedBy(*socket);
        QVERIFY(client);
        // A zero linger time makes the close a reset instead of a goodbye.
        const linger resetAtOnce{1, 0};
        QCOMPARE(::setsockopt(int(client->socketDescriptor()), SOL_SOCKET, SO_LINGER, &resetAtOnce, sizeof resetAtOnce),
                 0);
        client->abort();
        QTRY_COMPARE(listens, round);
        QCOMPARE(failure, QString());
    }
    QCOMPARE(log.entries.filter(QStringLiteral("Error")), QStringList());

    const auto calm = clientAcceptedBy(*socket);
    QVERIFY(calm);
    QCOMPARE(socket->RemotePort(), int(calm->localPort()));
}

void tst_SocketListening::shouldDeliverBytesBeforeTheCloseEvent()
{
    listenAsThePanelDoes();
    const auto client = clientAcceptedBy(*socket);
    QVERIFY(client);

    EventLog log(*socket);
    QByteArray received;
    QByteArray receivedWhenClosed;
    collectArrivals(*socket, received);
    QObject::connect(socket.get(), &EventSocket::CloseEvent, socket.get(), [&] { receivedWhenClosed = received; });

    // Sent and closed in one go: bytes and the close reach the socket together.
    const QByteArray lastWords(100000, 'w');
    client->write(lastWords);
    client->disconnectFromHost();

    QTRY_VERIFY(log.entries.contains(QStringLiteral("Close")));
    QCOMPARE(receivedWhenClosed, lastWords);
    QCOMPARE(log.entries.constLast(), QStringLiteral("Close"));
    QCOMPARE(log.entries.count(QStringLiteral("Close")), 1);
    QCOMPARE(socket->State(), int(EventSocket::StateClosing));
    QCOMPARE(socket->RemoteHostIP(), QStringLiteral("127.0.0.1"));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SendData("too late"));

    socket->Close();
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));
}

void tst_SocketListening::shouldTurnAwayARequestThatIsNotAccepted()
{
    listenTcp(*socket);
    int ignoredRequest = -1;
    QObject::connect(socket.get(), &EventSocket::ConnectionRequest, socket.get(),
                     [&](int requestID) { ignoredRequest = requestID; });

    QTcpSocket client;
    QSignalSpy turnedAway(&client, &QAbstractSocket::disconnected);
    client.connectToHost(QHostAddress::LocalHost, quint16(socket->LocalPort()));
    QVERIFY(turnedAway.wait());
    QVERIFY(ignoredRequest >= 0);
    QCOMPARE(socket->State(), int(EventSocket::StateListening));

    // Once its handler has returned, the request is gone for good.
    socket->Close();
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Accept(ignoredRequest));
}

void tst_SocketListening::shouldRaiseNoCloseEventForALocalClose()
{
    listenAsThePanelDoes();
    const auto client = clientAcceptedBy(*socket);
    QVERIFY(client);
    QSignalSpy clientGone(client.get(), &QAbstractSocket::disconnected);

    EventLog log(*socket);
    client->write("in flight");
    socket->Close();
    QVERIFY(clientGone.wait());
    drainPostedEvents();
    QCOMPARE(log.entries, QStringList());
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));
}

void tst_SocketListening::shouldRaiseNothingMoreAfterCloseInsideADataHandler()
{
    listenAsThePanelDoes();
    const auto client = clientAcceptedBy(*socket);
    QVERIFY(client);
    QSignalSpy clientGone(client.get(), &QAbstractSocket::disconnected);

    EventLog log(*socket);
    QObject::connect(socket.get(), &EventSocket::DataArrival, socket.get(), [&] { socket->Close(); });
    client->write("first");
    QVERIFY(clientGone.wait());
    client->write("second");
    drainPostedEvents();
    QCOMPARE(log.entries, QStringList{QStringLiteral("DataArrival 5")});
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));
}

void tst_SocketListening::shouldReportAPortInUse_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QHostAddress>("heldOn");

    QTest::newRow("TCP port held on 127.0.0.1")
        << int(EventSocket::TcpProtocol) << QHostAddress(QHostAddress::LocalHost);
    QTest::newRow("TCP port held on every address") << int(EventSocket::TcpProtocol) << QHostAddress(QHostAddress::Any);
    QTest::newRow("UDP port held on 127.0.0.1")
        << int(EventSocket::UdpProtocol) << QHostAddress(QHostAddress::LocalHost);
    QTest::newRow("UDP port held on ::1") << int(EventSocket::UdpProtocol) << QHostAddress(QHostAddress::LocalHostIPv6);
}

void tst_SocketListening::shouldReportAPortInUse()
{
    QFETCH(int, protocol);
    QFETCH(QHostAddress, heldOn);

    // Another program's socket, bound the way such programs bind.
    std::unique_ptr<QObject> holder;
    quint16 port = 0;
    if (protocol == EventSocket::TcpProtocol) {
        auto server = std::make_unique<QTcpServer>();
        QVERIFY(server->listen(heldOn, 0));
        port = server->serverPort();
        holder = std::move(server);
    } else {
        auto udp = std::make_unique<QUdpSocket>();
        QVERIFY(udp->bind(heldOn, 0));
        port = udp->localPort();
        holder = std::move(udp);
    }

    socket->SetProtocol(protocol);
    try {
        socket->Bind(QString::number(port));
        QFAIL("a port held by another socket was bound");
    } catch (const EventSocketError &error) {
        QVERIFY2(error.description().contains(QStringLiteral("in use")), qPrintable(error.description()));
    }
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));
}

void tst_SocketListening::shouldRefuseOperationsInTheWrongState()
{
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Listen());
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Accept(1));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SetProtocol(2));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SetLocalPort(65536));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Bind(QStringLiteral("abc")));
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));

    socket->SetProtocol(EventSocket::UdpProtocol);
    socket->Bind(QStringLiteral("0"));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Listen());
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SetProtocol(EventSocket::TcpProtocol));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Bind(QStringLiteral("0")));
    QCOMPARE(socket->Protocol(), int(EventSocket::UdpProtocol));

    listenTcp(*socket);
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Bind(QStringLiteral("0")));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Connect(QStringLiteral("127.0.0.1"), QStringLiteral("1")));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SendData("nobody to send to"));

    // Accepting needs a closed instance, even inside the request's handler.
    QObject::connect(socket.get(), &EventSocket::ConnectionRequest, socket.get(),
                     [&](int requestID) { keepFailure(failure, [&] { socket->Accept(requestID); }); });
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, quint16(socket->LocalPort()));
    QTRY_VERIFY(!failure.isEmpty());
    QCOMPARE(socket->State(), int(EventSocket::StateListening));
}

QTEST_GUILESS_MAIN(tst_SocketListening)
#include "tst_socketlistening.moc"
