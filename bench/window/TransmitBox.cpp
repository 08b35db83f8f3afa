// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TransmitBox.h"

#include "Payload.h"
#include "Probes.h"

#include "app/frmMain.h"
#include "socket/EventSocket.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace {

constexpr double msNs = 1e6;

// Hex digits with single spaces, as a user pastes a dump; lines of 16 bytes
// or no separators at all when asked.
QString hexText(const QByteArray &bytes, TransmitText kind)
{
    const bool manyLines = kind == TransmitText::HexLines;
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0 && kind != TransmitText::Unbroken)
            text += manyLines && i % 16 == 0 ? u'\n' : u' ';
        const auto value = uchar(bytes[i]);
        text += QLatin1Char(digits[value >> 4]);
        text += QLatin1Char(digits[value & 15]);
    }
    return text;
}

// The main window with its outgoing transmit box in view, and a clock on the
// box's paints.
class TransmitWindow
{
public:
    TransmitWindow()
        : window(new frmMain)
    {
        box = window->findChild<QWidget *>(QStringLiteral("txtTransmitDataOS"));
        auto *scrolling = qobject_cast<QAbstractScrollArea *>(box);
        paints = new PaintWatch(scrolling ? scrolling->viewport() : box);
        window->show();
        window->activateWindow();
        box->setFocus();
        RunLoopUntil([this] { return paints->count > 0; }, 5000);
    }

    ~TransmitWindow()
    {
        window->close();
        delete window;
    }

    QAbstractButton *button(const QString &name) const { return window->findChild<QAbstractButton *>(name); }

    // Sends one key to the box and runs the window until the box has been
    // painted since; gives the time taken and the longest stall after it.
    double keyToPainted(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString &text, double *stallMs = nullptr,
                        int timeoutMs = 30000)
    {
        const qint64 start = MonotonicNs();
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(box, &release);
        const LoopOutcome outcome = RunLoopUntil([&] { return paints->lastDoneNs > start; }, timeoutMs);
        if (stallMs)
            *stallMs = double(outcome.longestStallNs) / msNs;
        return outcome.done ? double(paints->lastDoneNs - start) / msNs : -1;
    }

    QString text() const { return box->property("plainText").toString(); }

    frmMain *window;
    QWidget *box = nullptr;
    PaintWatch *paints = nullptr;
};

} // namespace

TransmitBoxFigures RunTransmitBox(qint64 bytes, TransmitText kind, int keys)
{
    TransmitBoxFigures figures;
    TransmitWindow w;
    const QByteArray payload = BenchPayload(11, bytes);
    const QString pasted = hexText(payload, kind);
    figures.characters = pasted.size();
    QGuiApplication::clipboard()->setText(pasted);

    figures.msPastedAndPainted = w.keyToPainted(Qt::Key_V, Qt::ControlModifier, QString(), &figures.longestStallMs);
    if (figures.msPastedAndPainted < 0 || w.text().size() != pasted.size())
        return figures;

    // Keys that keep the text valid Hex: a space and a digit after the
    // last token, a digit and a space before the first. Typing at the start
    // moves everything that follows.
    w.keyToPainted(Qt::Key_End, Qt::ControlModifier, QString());
    for (int i = 0; i < keys; ++i) {
        const bool space = i % 2 == 0;
        figures.msSlowestKeyAtEnd =
            std::max(figures.msSlowestKeyAtEnd, w.keyToPainted(space ? Qt::Key_Space : Qt::Key_7, {},
                                                               space ? QStringLiteral(" ") : QStringLiteral("7")));
    }
    w.keyToPainted(Qt::Key_Home, Qt::ControlModifier, QString());
    for (int i = 0; i < keys; ++i) {
        const bool space = i % 2 == 1;
        figures.msSlowestKeyAtStart =
            std::max(figures.msSlowestKeyAtStart, w.keyToPainted(space ? Qt::Key_Space : Qt::Key_7, {},
                                                                 space ? QStringLiteral(" ") : QStringLiteral("7")));
    }
    const QByteArray sevens(keys / 2, '\x07');
    QByteArray expected = sevens + payload + sevens;
    const bool asString = kind != TransmitText::HexLine;
    if (asString) {
        // Not Hex any more: the text goes as it stands, line breaks as CR LF.
        QString typed = w.text();
        expected = typed.replace(u'\n', QStringLiteral("\r\n")).toLatin1();
    }

    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    w.button(QStringLiteral("optionTransportOS_0"))->click();
    w.button(QStringLiteral("optionTxtDataFormatOS_%1").arg(asString ? 0 : 2))->click();
    w.window->findChild<QLineEdit *>(QStringLiteral("txtRemoteIP"))->setText(QStringLiteral("127.0.0.1"));
    w.window->findChild<QLineEdit *>(QStringLiteral("txtRemotePort"))->setText(QString::number(server.serverPort()));
    w.button(QStringLiteral("btnConnectOS"))->click();
    auto *outgoing = w.window->findChild<EventSocket *>(QStringLiteral("OutgoingSocket"));
    std::unique_ptr<QTcpSocket> peer;
    RunLoopUntil(
        [&] {
            if (!peer && server.hasPendingConnections())
                peer.reset(server.nextPendingConnection());
            return peer && outgoing->State() == EventSocket::StateConnected;
        },
        5000);
    if (!peer)
        return figures;

    const qint64 start = MonotonicNs();
    w.button(QStringLiteral("btnSendOS"))->click();
    figures.msSendHandedOver = double(MonotonicNs() - start) / msNs;
    QByteArray received;
    RunLoopUntil(
        [&] {
            received += peer->readAll();
            return received.size() >= expected.size();
        },
        10000);
    figures.sentExactly = received == expected && w.text().isEmpty();
    figures.ran = true;
    return figures;
}

TransmitBoxFigures RunTransmitPaste(qsizetype characters)
{
    TransmitBoxFigures figures;
    TransmitWindow w;
    const QString pasted = hexText(BenchPayload(13, (characters + 1) / 3), TransmitText::HexLine).left(characters);
    figures.characters = pasted.size();
    QGuiApplication::clipboard()->setText(pasted);
    figures.msPastedAndPainted =
        w.keyToPainted(Qt::Key_V, Qt::ControlModifier, QString(), &figures.longestStallMs, 300000);
    // The layout may go on while the window is idle: a few more turns
    // show whether any of them holds it.
    double stall = 0;
    w.keyToPainted(Qt::Key_End, Qt::ControlModifier, QString(), &stall, 300000);
    figures.longestStallMs = std::max(figures.longestStallMs, stall);
    figures.ran = figures.msPastedAndPainted >= 0 && w.text().size() == pasted.size();
    return figures;
}
