// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SocketPeers.h"

#include "socket/SocketErrorText.h"

#include <QHostInfo>
#include <QTimer>

#include <algorithm>
#include <map>
#include <numeric>

namespace {

struct Arrival
{
    QByteArray data;
    int bytesTotal = -1;
    QString sender;
    int senderPort = 0;
};

// Fetches every datagram in its own handler, as the panels do, and notes
// where the socket says it came from.
void recordArrivals(EventSocket &socket, QList<Arrival> &arrivals)
{
    QObject::connect(&socket, &EventSocket::DataArrival, &socket, [&socket, &arrivals](int bytesTotal) {
        Arrival arrival;
        arrival.bytesTotal = bytesTotal;
        socket.GetData(arrival.data);
        arrival.sender = socket.RemoteHostIP();
        arrival.senderPort = socket.RemotePort();
        arrivals << arrival;
    });
}

quint16 bindUdp(EventSocket &socket)
{
    socket.Close();
    socket.SetProtocol(EventSocket::UdpProtocol);
    socket.Bind(QStringLiteral("0"));
    return quint16(socket.LocalPort());
}

// Where a name leads: the resolver's first address, as the socket chooses.
QString firstAddressOf(const QString &name)
{
    const QList<QHostAddress> addresses = QHostInfo::fromName(name).addresses();
    return addresses.isEmpty() ? QString() : addresses.constFirst().toString();
}

} // namespace

// Datagrams both ways, against raw QUdpSockets on loopback.
class tst_SocketUdp : public QObject
{
    Q_OBJECT

private slots:
    void init() { socket = std::make_unique<EventSocket>(); }
    void cleanup() { socket.reset(); }

    void shouldNameTheSenderOfEachDatagram();
    void shouldReplyToTheLatestSender();
    void shouldDeliverTheEmptyDatagram();
    void shouldRefuseToSendBeforeAnyDatagramArrived();
    void shouldSendToTheDestinationGivenToConnect_data();
    void shouldSendToTheDestinationGivenToConnect();
    void shouldReportADestinationItCannotFind();
    void shouldCarryTheLargestDatagram();
    void shouldDeliverAFloodInOrderWhileTheLoopTurns();
    void shouldStopDeliveringAfterCloseInsideTheHandler();

private:
    std::unique_ptr<EventSocket> socket;
};

void tst_SocketUdp::shouldNameTheSenderOfEachDatagram()
{
    const quint16 port = bindUdp(*socket);
    QCOMPARE(socket->State(), int(EventSocket::StateOpen));
    QList<Arrival> arrivals;
    recordArrivals(*socket, arrivals);

    // The socket listens on both stacks; the IPv4 sender still reads dotted.
    QUdpSocket first;
    QVERIFY(first.bind(QHostAddress::LocalHost, 0));
    QUdpSocket second;
    QVERIFY(second.bind(QHostAddress::LocalHostIPv6, 0));

    first.writeDatagram("from first", QHostAddress::LocalHost, port);
    QTRY_COMPARE(arrivals.size(), 1);
    second.writeDatagram("from second", QHostAddress::LocalHostIPv6, port);
    QTRY_COMPARE(arrivals.size(), 2);
    first.writeDatagram("first again", QHostAddress::LocalHost, port);
    QTRY_COMPARE(arrivals.size(), 3);

    QCOMPARE(arrivals[0].data, QByteArray("from first"));
    QCOMPARE(arrivals[0].bytesTotal, 10);
    QCOMPARE(arrivals[0].sender, QStringLiteral("127.0.0.1"));
    QCOMPARE(arrivals[0].senderPort, int(first.localPort()));
    QCOMPARE(arrivals[1].data, QByteArray("from second"));
    QCOMPARE(arrivals[1].sender, QStringLiteral("::1"));
    QCOMPARE(arrivals[1].senderPort, int(second.localPort()));
    QCOMPARE(arrivals[2].sender, QStringLiteral("127.0.0.1"));
    QCOMPARE(arrivals[2].senderPort, int(first.localPort()));
}

void tst_SocketUdp::shouldReplyToTheLatestSender()
{
    const quint16 port = bindUdp(*socket);
    QList<Arrival> arrivals;
    recordArrivals(*socket, arrivals);
    QUdpSocket first;
    QVERIFY(first.bind(QHostAddress::LocalHost, 0));
    QUdpSocket second;
    QVERIFY(second.bind(QHostAddress::LocalHost, 0));

    first.writeDatagram("1", QHostAddress::LocalHost, port);
    QTRY_COMPARE(arrivals.size(), 1);
    second.writeDatagram("2", QHostAddress::LocalHost, port);
    QTRY_COMPARE(arrivals.size(), 2);

    socket->SendData("reply");
    QTRY_VERIFY(second.hasPendingDatagrams());
    const QNetworkDatagram reply = second.receiveDatagram();
    QCOMPARE(reply.data(), QByteArray("reply"));
    QCOMPARE(int(reply.senderPort()), int(port));
    QVERIFY(!first.hasPendingDatagrams());
}

void tst_SocketUdp::shouldDeliverTheEmptyDatagram()
{
    const quint16 port = bindUdp(*socket);
    QList<Arrival> arrivals;
    recordArrivals(*socket, arrivals);
    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress::LocalHost, 0));

    sender.writeDatagram(QByteArray(), QHostAddress::LocalHost, port);
    sender.writeDatagram("x", QHostAddress::LocalHost, port);
    sender.writeDatagram(QByteArray(), QHostAddress::LocalHost, port);
    QTRY_COMPARE(arrivals.size(), 3);

    QCOMPARE(arrivals[0].bytesTotal, 0);
    QCOMPARE(arrivals[0].data, QByteArray());
    QCOMPARE(arrivals[0].sender, QStringLiteral("127.0.0.1"));
    QCOMPARE(arrivals[0].senderPort, int(sender.localPort()));
    QCOMPARE(arrivals[1].bytesTotal, 1);
    QCOMPARE(arrivals[1].data, QByteArray("x"));
    QCOMPARE(arrivals[2].bytesTotal, 0);
}

void tst_SocketUdp::shouldRefuseToSendBeforeAnyDatagramArrived()
{
    bindUdp(*socket);
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SendData("to whom?"));
    QCOMPARE(socket->RemoteHostIP(), QString());
    QCOMPARE(socket->RemotePort(), 0);

    socket->Close();
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SendData("closed"));
}

void tst_SocketUdp::shouldSendToTheDestinationGivenToConnect_data()
{
    QTest::addColumn<QString>("hostText");
    QTest::addColumn<QHostAddress>("sendTo");

    QTest::newRow("IPv4 literal") << QStringLiteral("127.0.0.1") << QHostAddress(QHostAddress::LocalHost);
    QTest::newRow("IPv6 literal") << QStringLiteral("::1") << QHostAddress(QHostAddress::LocalHostIPv6);
    // Sent to this machine, and named as given, not as 0.0.0.0.
    QTest::newRow("IPv6 unspecified") << QStringLiteral("::") << QHostAddress(QHostAddress::AnyIPv6);
    QTest::newRow("host name, looked up meanwhile") << QStringLiteral("localhost") << QHostAddress();
}

void tst_SocketUdp::shouldSendToTheDestinationGivenToConnect()
{
    QFETCH(QString, hostText);
    QFETCH(QHostAddress, sendTo);

    QUdpSocket receiver;
    QVERIFY(receiver.bind(QHostAddress::Any, 0));
    EventLog log(*socket);
    QList<Arrival> arrivals;
    recordArrivals(*socket, arrivals);

    socket->SetProtocol(EventSocket::UdpProtocol);
    socket->Connect(hostText, QString::number(receiver.localPort()));
    QCOMPARE(socket->State(), int(EventSocket::StateOpen));
    QVERIFY(socket->LocalPort() > 0);
    QCOMPARE(socket->RemotePort(), int(receiver.localPort()));
    const QString expectedAddress = sendTo.isNull() ? firstAddressOf(hostText) : sendTo.toString();
    QVERIFY(!expectedAddress.isEmpty());
    if (sendTo.isNull()) {
        // Nothing leaves before the name is found, and the send says so
        // rather than claim a datagram went out.
        QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SendData("too early"));
        QTRY_COMPARE(socket->RemoteHostIP(), expectedAddress);
    }
    socket->SendData("first");
    socket->SendData(QByteArray());
    socket->SendData("third");

    QList<QNetworkDatagram> received;
    QObject::connect(&receiver, &QUdpSocket::readyRead, &receiver, [&] {
        while (receiver.hasPendingDatagrams())
            received << receiver.receiveDatagram();
    });
    QTRY_COMPARE(received.size(), 3);
    QCOMPARE(received[0].data(), QByteArray("first"));
    QCOMPARE(received[1].data(), QByteArray());
    QCOMPARE(received[2].data(), QByteArray("third"));
    QCOMPARE(int(received[0].senderPort()), socket->LocalPort());
    QTRY_COMPARE(socket->RemoteHostIP(), expectedAddress);

    receiver.writeDatagram("answer", received[0].senderAddress(), received[0].senderPort());
    QTRY_COMPARE(arrivals.size(), 1);
    QCOMPARE(arrivals[0].data, QByteArray("answer"));
    QCOMPARE(arrivals[0].senderPort, int(receiver.localPort()));
    QVERIFY(!log.entries.contains(QStringLiteral("Connect")));
    QCOMPARE(log.entries.filter(QStringLiteral("Error")), QStringList());
}

void tst_SocketUdp::shouldReportADestinationItCannotFind()
{
    // A name with a blank in it fails before any look-up leaves the machine.
    QSignalSpy errors(socket.get(), &EventSocket::ErrorEvent);
    socket->SetProtocol(EventSocket::UdpProtocol);
    socket->Connect(QStringLiteral("no such host"), QStringLiteral("4000"));
    QCOMPARE(socket->RemoteHostIP(), QStringLiteral("no such host"));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SendData("no name yet"));
    QCOMPARE(errors.count(), 0);

    QVERIFY(errors.wait());
    QCOMPARE(errors.at(0).at(0).toInt(), int(SocketErrorNumber::HostNotFound));
    QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("Host not found"));
    QCOMPARE(socket->State(), int(EventSocket::StateError));
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SendData("still nowhere"));
}

void tst_SocketUdp::shouldCarryTheLargestDatagram()
{
    const quint16 port = bindUdp(*socket);
    QList<Arrival> arrivals;
    recordArrivals(*socket, arrivals);
    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress::LocalHost, 0));

    QByteArray largest(65507, Qt::Uninitialized);
    for (qsizetype i = 0; i < largest.size(); ++i)
        largest[i] = char(i * 7 % 251);
    QCOMPARE(peer.writeDatagram(largest, QHostAddress::LocalHost, port), qint64(largest.size()));
    QTRY_COMPARE(arrivals.size(), 1);
    QCOMPARE(arrivals[0].bytesTotal, 65507);
    QVERIFY(arrivals[0].data == largest);

    socket->SendData(largest);
    QTRY_VERIFY(peer.hasPendingDatagrams());
    QVERIFY(peer.receiveDatagram().data() == largest);

    // One byte more does not fit into an IPv4 datagram.
    QVERIFY_THROWS_EXCEPTION(EventSocketError, socket->SendData(largest + 'x'));
}

void tst_SocketUdp::shouldDeliverAFloodInOrderWhileTheLoopTurns()
{
    const quint16 port = bindUdp(*socket);
    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress::LocalHost, 0));

    // A timer that fires on every turn of the event loop: arrivals counted
    // between two of its ticks are what one turn delivered.
    int tick = 0;
    QTimer everyTurn;
    everyTurn.setInterval(0);
    QObject::connect(&everyTurn, &QTimer::timeout, &everyTurn, [&] { ++tick; });
    everyTurn.start();
    QList<int> sequence;
    std::map<int, int> arrivalsPerTick;
    QObject::connect(socket.get(), &EventSocket::DataArrival, socket.get(), [&](int) {
        QByteArray data;
        socket->GetData(data);
        sequence << data.toInt();
        ++arrivalsPerTick[tick];
    });

    // Rounds small enough for the receive buffer, each sent in one go, so
    // every round lies waiting in full when the socket starts on it.
    constexpr int rounds = 30;
    constexpr int perRound = 100;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < perRound; ++i)
            sender.writeDatagram(QByteArray::number(round * perRound + i), QHostAddress::LocalHost, port);
        QTRY_COMPARE(sequence.size(), (round + 1) * perRound);
    }

    QList<int> expected(rounds * perRound);
    std::iota(expected.begin(), expected.end(), 0);
    QCOMPARE(sequence, expected);
    int most = 0;
    for (const auto &[turn, count] : arrivalsPerTick)
        most = std::max(most, count);
    QVERIFY2(most < perRound, qPrintable(QStringLiteral("%1 arrivals in one turn").arg(most)));
}

void tst_SocketUdp::shouldStopDeliveringAfterCloseInsideTheHandler()
{
    const quint16 port = bindUdp(*socket);
    EventLog log(*socket);
    QObject::connect(socket.get(), &EventSocket::DataArrival, socket.get(), [&] { socket->Close(); });
    QUdpSocket sender;
    for (int i = 0; i < 50; ++i)
        sender.writeDatagram(QByteArray::number(i), QHostAddress::LocalHost, port);

    QTRY_COMPARE(log.entries.size(), 1);
    drainPostedEvents();
    QCOMPARE(log.entries, QStringList{QStringLiteral("DataArrival 1")});
    QCOMPARE(socket->State(), int(EventSocket::StateClosed));

    // The port is free again at once, for a new socket on the same instance.
    socket->SetProtocol(EventSocket::UdpProtocol);
    socket->Bind(QString::number(port));
    QCOMPARE(socket->LocalPort(), int(port));
}

QTEST_GUILESS_MAIN(tst_SocketUdp)
#include "tst_socketudp.moc"
