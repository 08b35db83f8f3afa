// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SocketPeers.h"

#include "socket/SocketErrorText.h"

// The connecting side over TCP, against raw Qt servers on loopback.
class tst_SocketOutgoing : public QObject
{
    Q_OBJECT

private slots:
    void init() { socket = std::make_unique<EventSocket>(); }
    void cleanup() { socket.reset(); }

    void shouldConnectSendAndReceive_data();
    void shouldConnectSendAndReceive();
    void shouldReportARefusedConnectionOnlyFromTheEventLoop();
    void shouldReportAHostItCannotUse();
    void shouldRaiseNothingAfterCloseDuringAnAttempt();
    void shouldRaiseCloseEventWhenThePeerCloses();
    void shouldStopInsideTheConnectHandler();
    void shouldConnectAgainInsideTheCloseHandler();
    void shouldRefuseOperationsInTheWrongState();
    void shouldGiveThisMachinesAddressDotted();

private:
    std::unique_ptr<EventSocket> socket;
};

void tst_SocketOutgoing::shouldConnectSendAndReceive_data()
{
    QTest::addColumn<QHostAddress>("serverAddress");
    QTest::addColumn<QString>("hostText");
    QTest::addColumn<QString>("expectedPeer");

    QTest::newRow("IPv4 literal") << QHostAddress(QHostAddress::LocalHost) << QStringLiteral("127.0.0.1")
                                  << QStringLiteral("127.0.0.1");
    QTest::newRow("IPv4 literal with blanks")
        << QHostAddress(QHostAddress::LocalHost) << QStringLiteral(" 127.0.0.1 ") << QStringLiteral("127.0.0.1");
    QTest::newRow("IPv6 literal") << QHostAddress(QHostAddress::LocalHostIPv6) << QStringLiteral("::1")
                                  << QStringLiteral("::1");
    QTest::newRow("IPv6 literal in brackets")
        << QHostAddress(QHostAddress::LocalHostIPv6) << QStringLiteral("[::1]") << QStringLiteral("::1");
    QTest::newRow("IPv4-mapped literal shown dotted")
        << QHostAddress(QHostAddress::Any) << QStringLiteral("::ffff:127.0.0.1") << QStringLiteral("127.0.0.1");
    // The peer is named by its address, never by the name typed.
    QTest::newRow("host name") << QHostAddress(QHostAddress::Any) << QStringLiteral("localhost") << QString();
}

void tst_SocketOutgoing::shouldConnectSendAndReceive()
{
    QFETCH(QHostAddress, serverAddress);
    QFETCH(QString, hostText);
    QFETCH(QString, expectedPeer);

    QTcpServer server;
    QVERIFY(server.listen(serverAddress, 0));
    EventLog log(*socket);
    QByteArray received;
    collectArrivals(*socket, received);

    socket->SetProtocol(EventSocket::TcpProtocol);
    socket->Connect(hostText, QStringLiteral("0%1").arg(server.serverPort()));
    QCOMPARE(log.entries, QStringList());
    QVERIFY(socket->State() == EventSocket::StateConnecting || socket->State() == EventSocket::StateResolvingHost);

    QTRY_COMPARE(log.entries, QStringList{QStringLiteral("Connect")});
    QCOMPARE(socket->State(), int(EventSocket::StateConnected));
    QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(5000));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    QCOMPARE(socket->RemotePort(), int(server.serverPort()));
    QCOMPARE(socket->LocalPort(), int(peer->peerPort()));
    if (expectedPeer.isEmpty())
        QVERIFY2(socket->RemoteHostIP() == QStringLiteral("127.0.0.1")
                     || socket->RemoteHostIP() == QStringLiteral("::1"),
                 qPrintable(socket->RemoteHostIP()));
    else
        QCOMPARE(socket->RemoteHostIP(), expectedPeer);

    socket->SendData(QByteArrayLiteral("hello\0\x80"));
    QTRY_COMPARE(peer->bytesAvailable(), 7);
    QCOMPARE(peer->readAll(), QByteArrayLiteral("hello\0\x80"));

    peer->write("world");
    QTRY_COMPARE(received, QByteArray("world"));
}

void tst_SocketOutgoing::shouldReportARefusedConnectionOnlyFromTheEventLoop()
{
    const quint16 closedPort = freeTcpPort();
    QSignalSpy errors(socket.get(), &EventSocket::ErrorEvent);
    QSignalSpy connects(socket.get(), &EventSocket::ConnectEvent);

    socket->SetProtocol(EventSocket::TcpProtocol);
    socket->Connect(QStringLiteral("127.0.0.1"), QString::number(closedPort));
    QCOMPARE(errors.count(), 0);

    QVERIFY(errors.wait());
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), int(SocketErrorNumber::ConnectionRefused));
    QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("Connection refused"));
    QCOMPARE(connects.count(), 0);
    QCOMPARE(socket->State(), int(EventSocket::StateError));

    socket->Close();
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));
}

void tst_SocketOutgoing::shouldReportAHostItCannotUse()
{
    // A name with a blank in it is turned down before any look-up leaves the
    // machine, so the test sends nothing anywhere.
    QSignalSpy errors(socket.get(), &EventSocket::ErrorEvent);
    socket->SetProtocol(EventSocket::TcpProtocol);
    socket->Connect(QStringLiteral("no such host"), QStringLiteral("4000"));
    QCOMPARE(errors.count(), 0);

    QVERIFY(errors.wait());
    QCOMPARE(errors.at(0).at(0).toInt(), int(SocketErrorNumber::HostNotFound));
    QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("Host not found"));
    QCOMPARE(socket->State(), int(EventSocket::StateError));
}

void tst_SocketOutgoing::shouldRaiseNothingAfterCloseDuringAnAttempt()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    EventLog log(*socket);
    socket->SetProtocol(EventSocket::TcpProtocol);
    socket->Connect(QStringLiteral("127.0.0.1"), QString::number(freeTcpPort()));
    socket->Close();
    socket->Connect(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()));
    socket->Close();

    // A second instance's attempt takes as long as the first ones would have.
    EventSocket witness;
    QSignalSpy witnessConnected(&witness, &EventSocket::ConnectEvent);
    witness.Connect(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()));
    QVERIFY(witnessConnected.wait());
    drainPostedEvents();
    QCOMPARE(log.entries, QStringList());
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));
}

void tst_SocketOutgoing::shouldRaiseCloseEventWhenThePeerCloses()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    EventLog log(*socket);
    socket->Connect(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()));
    QTRY_COMPARE(socket->State(), int(EventSocket::StateConnected));
    QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(5000));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());

    peer->write("bye");
    peer->disconnectFromHost();
    QTRY_COMPARE(log.entries.constLast(), QStringLiteral("Close"));
    QCOMPARE(log.entries,
             (QStringList{QStringLiteral("Connect"), QStringLiteral("DataArrival 3"), QStringLiteral("Close")}));
    QCOMPARE(socket->State(), int(EventSocket::StateClosing));
    QByteArray data;
    socket->GetData(data);
    QCOMPARE(data, QByteArray("bye"));

    socket->Close();
    drainPostedEvents();
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));
    QCOMPARE(log.entries.count(QStringLiteral("Close")), 1);
}

void tst_SocketOutgoing::shouldStopInsideTheConnectHandler()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    EventLog log(*socket);
    QObject::connect(socket.get(), &EventSocket::ConnectEvent, socket.get(), [&] { socket->Close(); });
    socket->Connect(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()));
    QTRY_COMPARE(log.entries, QStringList{QStringLiteral("Connect")});

    QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(5000));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    peer->write("unheard");
    QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    drainPostedEvents();
    QCOMPARE(log.entries, QStringList{QStringLiteral("Connect")});
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));
}

void tst_SocketOutgoing::shouldConnectAgainInsideTheCloseHandler()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QString port = QString::number(server.serverPort());
    QString failure;
    int reconnects = 0;
    QObject::connect(socket.get(), &EventSocket::CloseEvent, socket.get(), [&] {
        keepFailure(failure, [&] {
            socket->Close();
            socket->SetProtocol(EventSocket::TcpProtocol);
            socket->Connect(QStringLiteral("127.0.0.1"), port);
            ++reconnects;
        });
    });
    socket->Connect(QStringLiteral("127.0.0.1"), port);

    for (int round = 1; round <= 3; ++round) {
        QTRY_VERIFY(server.hasPendingConnections());
        std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
        QTRY_COMPARE(socket->State(), int(EventSocket::StateConnected));
        peer->disconnectFromHost();
        QTRY_COMPARE(reconnects, round);
        QCOMPARE(failure, QString());
    }
}

void tst_SocketOutgoing::shouldRefuseOperationsInTheWrongState()
{
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SendData("nowhere"));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Connect(QString(), QStringLiteral("4000")));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Connect(QStringLiteral("  "), QStringLiteral("4000")));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Connect(QStringLiteral("127.0.0.1"), QStringLiteral("65536")));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Connect(QStringLiteral("127.0.0.1"), QStringLiteral("x")));
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));

    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    socket->Connect(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SendData("too early"));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SetProtocol(EventSocket::UdpProtocol));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Connect(QStringLiteral("127.0.0.1"), QStringLiteral("1")));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Listen());
    QTRY_COMPARE(socket->State(), int(EventSocket::StateConnected));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->Bind(QStringLiteral("0")));
}

void tst_SocketOutgoing::shouldGiveThisMachinesAddressDotted()
{
    const QHostAddress address(socket->LocalIP());
    QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
    QCOMPARE(address.toString(), socket->LocalIP());
}

QTEST_GUILESS_MAIN(tst_SocketOutgoing)
#include "tst_socketoutgoing.moc"
