// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WindowUnderLoad.h"

#include "Probes.h"

#include "app/frmMain.h"
#include "socket/EventSocket.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QLineEdit>

WindowUnderLoad::WindowUnderLoad()
    : window(new frmMain)
{
    listening = window->findChild<EventSocket *>(QStringLiteral("ListeningSocket"));
    box = window->findChild<QWidget *>(QStringLiteral("txtReceivedDataLS"));
    // Paints land on a scrolling box's viewport, not on the box itself.
    auto *scrolling = qobject_cast<QAbstractScrollArea *>(box);
    paints = new PaintWatch(scrolling ? scrolling->viewport() : box);
    statusLinePaints = new PaintWatch(window->findChild<QWidget *>(QStringLiteral("txtStatus")));
    QObject::connect(listening, &EventSocket::DataArrival, listening, [this](int bytesTotal) {
        // Connected after the window's own handler, so the box already holds this arrival.
        ++arrivals;
        bytesArrived += bytesTotal;
        lastBytesTotal = bytesTotal;
        lastArrivalNs = MonotonicNs();
    });
    window->show();
    RunLoopUntil([this] { return paints->count > 0; }, 5000);
}

WindowUnderLoad::~WindowUnderLoad()
{
    // The window deletes itself later when closed; deleting it now drops that.
    window->close();
    delete window;
}

QAbstractButton *WindowUnderLoad::button(const QString &name) const
{
    return window->findChild<QAbstractButton *>(name);
}

QWidget *WindowUnderLoad::child(const QString &name) const
{
    return window->findChild<QWidget *>(name);
}

QString WindowUnderLoad::boxText() const
{
    return box->property("plainText").toString();
}

int WindowUnderLoad::listen(int transport, int rxFormat)
{
    button(QStringLiteral("optionTransportLS_%1").arg(transport))->click();
    button(QStringLiteral("optionRxDataFormatLS_%1").arg(rxFormat))->click();
    window->findChild<QLineEdit *>(QStringLiteral("txtPort"))->setText(QStringLiteral("0"));
    button(QStringLiteral("btnSetPort"))->click();
    return listening->LocalPort();
}

void WindowUnderLoad::closeListening()
{
    button(QStringLiteral("btnCloseLS"))->click();
}

void WindowUnderLoad::resetArrivals()
{
    arrivals = 0;
    bytesArrived = 0;
    lastBytesTotal = 0;
    lastArrivalNs = 0;
}

PeerProcess::PeerProcess(const QStringList &arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    if (process.waitForStarted(5000) && process.waitForReadyRead(10000))
        isReady = process.readLine().trimmed() == "ready";
}

PeerProcess::~PeerProcess()
{
    process.closeWriteChannel();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
    }
}

void PeerProcess::go()
{
    process.write("go\n");
    process.waitForBytesWritten(1000);
}

bool PeerProcess::sent()
{
    while (!hasSent && process.canReadLine()) {
        const QByteArray line = process.readLine().trimmed();
        hasSent = line.startsWith("sent");
        if (hasSent)
            sentWords = line.split(' ');
    }
    return hasSent;
}

qint64 PeerProcess::sentFigure(const char *word) const
{
    const qsizetype at = sentWords.indexOf(QByteArray(word));
    return at >= 0 && at + 1 < sentWords.size() ? sentWords.at(at + 1).toLongLong() : -1;
}

QByteArray PeerProcess::ask(const QByteArray &line, int timeoutMs)
{
    process.write(line + '\n');
    process.waitForBytesWritten(1000);
    const qint64 deadline = MonotonicNs() + qint64(timeoutMs) * 1000000;
    while (!process.canReadLine() && MonotonicNs() < deadline)
        process.waitForReadyRead(int(std::max<qint64>(1, (deadline - MonotonicNs()) / 1000000)));
    return process.readLine().trimmed();
}

bool PeerProcess::waitUntilSent(int timeoutMs)
{
    const qint64 deadline = MonotonicNs() + qint64(timeoutMs) * 1000000;
    while (!sent() && MonotonicNs() < deadline)
        process.waitForReadyRead(int(std::max<qint64>(1, (deadline - MonotonicNs()) / 1000000)));
    return hasSent;
}
