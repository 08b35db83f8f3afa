// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "support/WindowDriver.h"

// Sets the listening panel up on a port the system chose and then types that
// port into the port box, so that every re-listen after a peer leaves comes
// back on the same port and says so. Gives the port, 0 when it failed.
inline quint16 listenOnSteadyPort(const WindowDriver &w, int transport = 0)
{
    const quint16 chosen = w.listenOnFreePort(transport);
    if (chosen == 0)
        return 0;
    w.listenOn(QString::number(chosen));
    return w.listeningSocket()->LocalPort() == chosen ? chosen : 0;
}

inline QString listeningMessage(const WindowDriver &w, quint16 port, int transport = 0)
{
    return (transport == 0 ? StatusMessages::listeningOnTcp : StatusMessages::listeningOnUdp)
           + w.listeningSocket()->LocalIP() + u':' + QString::number(port);
}

// Adds up what a socket's arrivals announce, as they are announced: the
// window fetches each arrival whole, so once the sum reaches what a peer
// sent, the window has shown its last arrival, and lastCount says how many
// bytes that one held.
class ArrivalCounter
{
public:
    explicit ArrivalCounter(EventSocket *socket)
    {
        QObject::connect(socket, &EventSocket::DataArrival, &context, [this](int bytesTotal) {
            ++arrivals;
            announced += bytesTotal;
            lastCount = bytesTotal;
        });
    }

    QObject context;
    qint64 arrivals = 0;
    qint64 announced = 0;
    int lastCount = 0;
};

// Replaces a box's text with one input event carrying all of it, the way a
// paste or an input method delivers text: typing a long text key by key
// would take longer than the test may.
inline void paste(const WindowDriver &w, const QString &box, const QString &text)
{
    QWidget *target = emptyBox(w.find<QWidget>(box));
    if (!text.isEmpty())
        sendKeyText(target, text);
}

// Types any text key by key: printable ASCII on its own key, tab and the
// line breaks as those keys, and every other character, a control character
// or one beyond ASCII, as key text the way an input method delivers it.
inline void typeAnything(const WindowDriver &w, const QString &box, const QString &text)
{
    QWidget *target = emptyBox(w.find<QWidget>(box));
    for (const QChar character : text) {
        const char16_t code = character.unicode();
        if (code >= 0x20 && code < 0x7f)
            QTest::keyClick(target, char(code));
        else if (code == u'\t')
            QTest::keyClick(target, Qt::Key_Tab);
        else if (code == u'\n' || code == u'\r')
            QTest::keyClick(target, Qt::Key_Return);
        else
            sendKeyText(target, QString(character));
    }
}
