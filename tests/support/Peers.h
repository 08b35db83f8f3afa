#pragma once

// Raw peers on loopback for the window tests, and a port the system hands out.

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <memory>

// A port that was free a moment ago: the system chose it for a listener that
// has closed again.
inline quint16 freeTcpPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::Any, 0))
        qFatal("no free port");
    return server.serverPort();
}

// A raw TCP client connected to 127.0.0.1:port, or null when refused.
inline std::unique_ptr<QTcpSocket> connectedClient(quint16 port, const QHostAddress &host = QHostAddress::LocalHost)
{
    auto client = std::make_unique<QTcpSocket>();
    client->connectToHost(host, port);
    if (!client->waitForConnected(5000))
        return nullptr;
    return client;
}

// Reads from a raw peer until it holds count bytes, or five seconds pass.
inline QByteArray readExactly(QIODevice &peer, qsizetype count)
{
    QByteArray received;
    QElapsedTimer timer;
    timer.start();
    while (received.size() < count && timer.elapsed() < 5000) {
        if (peer.bytesAvailable() == 0)
            QTest::qWait(10);
        received += peer.readAll();
    }
    return received;
}

inline QString peerName(const QAbstractSocket &socket)
{
    return QStringLiteral("127.0.0.1:") + QString::number(socket.localPort());
}
