// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ExitDeadline.h"

#include "Payload.h"
#include "Probes.h"

#include "app/frmMain.h"
#include "socket/EventSocket.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QProcess>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A listener on 127.0.0.1 that accepts nobody until asked: the peer's side of
// the connection sits in the system's backlog and reads nothing.
class SilentListener
{
public:
    SilentListener()
    {
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr *>(&address), length) != 0
            || ::listen(listener, 1) != 0
            || ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        port = ntohs(address.sin_port);
    }
    ~SilentListener()
    {
        if (listener >= 0)
            ::close(listener);
    }

    // Accepts the waiting connection and reads it to its end.
    qint64 readAll(bool &reset) const
    {
        reset = false;
        const int peer = ::accept(listener, nullptr, nullptr);
        if (peer < 0)
            return -1;
        qint64 total = 0;
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::recv(peer, buffer, sizeof buffer, 0);
            if (got > 0) {
                total += got;
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            reset = got < 0 && errno == ECONNRESET;
            break;
        }
        ::close(peer);
        return total;
    }

    int listener = -1;
    quint16 port = 0;
};

template <typename Condition>
bool waitFor(Condition condition, int timeoutMs)
{
    const qint64 deadline = MonotonicNs() + qint64(timeoutMs) * 1000000;
    while (!condition() && MonotonicNs() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

} // namespace

bool IsCloseChild(int argc, char **argv)
{
    return argc >= 5 && std::strcmp(argv[1], "--close-child") == 0;
}

int RunCloseChild(int argc, char **argv)
{
    const QByteArray port = argv[2];
    const qint64 bytes = QByteArray(argv[3]).toLongLong();
    const bool exitAtOnce = std::strcmp(argv[4], "exit") == 0;
    QApplication application(argc, argv);
    auto *window = new frmMain;
    window->show();
    window->findChild<QLineEdit *>(QStringLiteral("txtRemoteIP"))->setText(QStringLiteral("127.0.0.1"));
    window->findChild<QLineEdit *>(QStringLiteral("txtRemotePort"))->setText(QString::fromLatin1(port));
    window->findChild<QAbstractButton *>(QStringLiteral("btnConnectOS"))->click();
    EventSocket *socket = window->findChild<EventSocket *>(QStringLiteral("OutgoingSocket"));
    if (!waitFor([socket] { return socket->State() == EventSocket::StateConnected; }, 5000))
        return 2;
    socket->SendData(BenchStream(7, 0, bytes));
    // A moment for the system's buffers to fill, as they would while a user
    // reaches for the menu.
    waitFor([] { return false; }, 200);
    std::printf("closing %lld\n", static_cast<long long>(MonotonicNs()));
    std::fflush(stdout);
    if (exitAtOnce) {
        window->findChild<QAction *>(QStringLiteral("mnuExit"))->trigger();
    } else {
        window->findChild<QAbstractButton *>(QStringLiteral("btnDisconnectOS"))->click();
        auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &application);
        QObject::connect(input, &QSocketNotifier::activated, window, [window, input] {
            char line[256];
            if (::read(STDIN_FILENO, line, sizeof line) <= 0) {
                input->setEnabled(false);
                window->findChild<QAction *>(QStringLiteral("mnuExit"))->trigger();
            }
        });
    }
    return application.exec();
}

ExitFigures MeasureExit(qint64 bytes)
{
    ExitFigures figures;
    figures.sent = bytes;
    SilentListener peer;
    if (peer.port == 0)
        return figures;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--close-child"), QString::number(peer.port),
                                                          QString::number(bytes), QStringLiteral("exit")});
    qint64 closingNs = 0;
    while (closingNs == 0 && child.waitForReadyRead(20000)) {
        const QList<QByteArray> words = child.readLine().trimmed().split(' ');
        if (words.size() == 2 && words[0] == "closing")
            closingNs = words[1].toLongLong();
    }
    const bool ended = closingNs != 0 && child.waitForFinished(20000);
    const qint64 endNs = MonotonicNs();
    if (!ended) {
        child.kill();
        child.waitForFinished(1000);
        return figures;
    }
    figures.msToProcessEnd = double(endNs - closingNs) / 1e6;
    figures.delivered = peer.readAll(figures.peerSawReset);
    figures.ran = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    return figures;
}
