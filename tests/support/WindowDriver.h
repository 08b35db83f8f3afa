// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Drives the real main window the way a user does: controls are found by
// their objectName, clicked with the mouse and typed into with the keyboard.

#include "Peers.h"

#include "app/StatusMessages.h"
#include "app/frmMain.h"
#include "socket/EventSocket.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

// Gives a box the focus and deletes all its text, as a user would after
// selecting all; gives the box back.
inline QWidget *emptyBox(QWidget *box)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    return box;
}

// Delivers text as one key press and release carrying it, the way an input
// method or a paste delivers text that has no key of its own.
inline void sendKeyText(QWidget *target, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

// The program's visible top-level windows of this objectName.
inline QWidgetList visibleTopLevels(const QString &objectName)
{
    QWidgetList found;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == objectName && window->isVisible())
            found << window;
    return found;
}

class WindowDriver
{
public:
    WindowDriver()
        : window(new frmMain)
    {
        window->show();
    }

    ~WindowDriver()
    {
        if (window)
            window->close();
        delete window.data();
    }

    template <typename T>
    T *find(const QString &name) const
    {
        auto *object = window->findChild<T *>(name);
        if (!object)
            qFatal("no control named %s", qPrintable(name));
        return object;
    }

    void click(const QString &button) const
    {
        auto *target = find<QAbstractButton>(button);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    }

    // Replaces a box's text by typing, as a user would after selecting all.
    // A line feed is typed as Enter and a carriage return as Shift+Enter,
    // the two line breaks a multi-line box takes from the keyboard.
    void type(const QString &box, const QString &text) const
    {
        QWidget *target = emptyBox(find<QWidget>(box));
        for (QChar character : text) {
            if (character == u'\n' || character == u'\r')
                QTest::keyClick(target, Qt::Key_Return, character == u'\r' ? Qt::ShiftModifier : Qt::NoModifier);
            else if (character.unicode() < 0x80)
                QTest::keyClick(target, character.toLatin1());
            else // QTest knows keys for ASCII only.
                sendKeyText(target, QString(character));
        }
    }

    // Replaces a box's text with a paste from the clipboard: texts too long
    // to type key by key.
    void paste(const QString &box, const QString &text) const
    {
        auto *target = find<QWidget>(box);
        target->setFocus();
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    }

    void select(const QString &group, int index) const { click(group + u'_' + QString::number(index)); }

    int selected(const QString &group) const { return find<QButtonGroup>(group)->checkedId(); }

    QString text(const QString &box) const
    {
        if (auto *line = window->findChild<QLineEdit *>(box))
            return line->text();
        // Multi-line boxes, whatever their class, give their text as plainText.
        return find<QWidget>(box)->property("plainText").toString();
    }

    QColor textColour(const QString &box) const
    {
        return find<QWidget>(box)->palette().color(QPalette::Active, QPalette::Text);
    }

    QString status() const { return text(QStringLiteral("txtStatus")); }
    QColor statusColour() const { return textColour(QStringLiteral("txtStatus")); }

    EventSocket *listeningSocket() const { return find<EventSocket>(QStringLiteral("ListeningSocket")); }
    EventSocket *outgoingSocket() const { return find<EventSocket>(QStringLiteral("OutgoingSocket")); }

    // Listens on a port the system hands out and gives that port back.
    quint16 listenOnFreePort(int transport = 0) const
    {
        select(QStringLiteral("optionTransportLS"), transport);
        listenOn(QStringLiteral("0"));
        return quint16(listeningSocket()->LocalPort());
    }

    // Types port into the listening panel's port box and clicks Listen.
    void listenOn(const QString &port) const
    {
        type(QStringLiteral("txtPort"), port);
        click(QStringLiteral("btnSetPort"));
    }

    // Opens the outgoing panel towards host:port, typed as a user would.
    void connectOutgoing(const QString &host, const QString &port, int transport = 0) const
    {
        select(QStringLiteral("optionTransportOS"), transport);
        type(QStringLiteral("txtRemoteIP"), host);
        type(QStringLiteral("txtRemotePort"), port);
        click(QStringLiteral("btnConnectOS"));
    }

    // A raw TCP client the listening panel took, on a port the system
    // chose; null when the panel did not get connected.
    std::unique_ptr<QTcpSocket> connectToListeningPanel() const
    {
        auto client = connectedClient(listenOnFreePort());
        if (!client || !QTest::qWaitFor([this] { return listeningSocket()->State() == EventSocket::StateConnected; }))
            return nullptr;
        return client;
    }

    // Connects the outgoing panel over TCP to server and waits until the
    // panel says so; gives the connection the server accepted, or null.
    std::unique_ptr<QTcpSocket> connectOutgoingTo(QTcpServer &server) const
    {
        connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()));
        auto peer = acceptedPeer(server);
        const QString connected = StatusMessages::outgoingConnectedTo + peerName(server);
        const auto reported = [&] {
            return status() == connected && outgoingSocket()->State() == EventSocket::StateConnected;
        };
        if (!peer || !QTest::qWaitFor(reported))
            return nullptr;
        return peer;
    }

    // Opens the outgoing panel over UDP towards peer; false when it did not open.
    bool openOutgoingTo(const QUdpSocket &peer) const
    {
        connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(peer.localPort()), 1);
        return outgoingSocket()->State() == EventSocket::StateOpen;
    }

    // Types data into a panel's transmit box in the given Tx format and
    // clicks that panel's Send; panel is "LS" or "OS".
    void send(const QString &panel, int format, const QString &typed) const
    {
        select(QStringLiteral("optionTxtDataFormat") + panel, format);
        type(QStringLiteral("txtTransmitData") + panel, typed);
        click(QStringLiteral("btnSend") + panel);
    }

    // A message nobody writes, to tell an untouched status line from one
    // that was written again with the same text.
    void markStatus(const QString &marker = QStringLiteral("(marker)")) const
    {
        window->SetStatus(marker, StatusColour::black);
    }

    QPointer<frmMain> window;
};

// Every message the status line has shown, in order, with its colour: two
// events that land in one turn of the event loop leave only the last on the
// line itself.
class StatusLog
{
public:
    explicit StatusLog(const WindowDriver &driver)
        : line(driver.find<QLineEdit>(QStringLiteral("txtStatus")))
    {
        watching = QObject::connect(line, &QLineEdit::textChanged, line, [this](const QString &text) {
            messages.append(text);
            colours.append(line->palette().color(QPalette::Active, QPalette::Text));
        });
    }

    // The window may outlive the log and write its status line again.
    ~StatusLog() { QObject::disconnect(watching); }

    StatusLog(const StatusLog &) = delete;
    StatusLog &operator=(const StatusLog &) = delete;

    bool contains(const QString &message) const { return messages.contains(message); }

    // The colour the message had when it was shown last.
    QColor colourOf(const QString &message) const
    {
        const qsizetype at = messages.lastIndexOf(message);
        return at < 0 ? QColor() : colours.at(at);
    }

    QLineEdit *line;
    QStringList messages;
    QList<QColor> colours;

private:
    QMetaObject::Connection watching;
};

inline const QColor black(0, 0, 0);
inline const QColor blue(0, 0, 255);
inline const QColor red(255, 0, 0);
