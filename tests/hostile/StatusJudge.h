// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "KnownMessages.h"
#include "support/WindowDriver.h"

// Judges every message the status line shows, the moment it is shown,
// against the boxes as they read then, and keeps the strange ones.
// The line signals changes only, so a message shown twice in a row is
// judged once.
class StatusJudge
{
public:
    explicit StatusJudge(const WindowDriver &w)
        : localIP(w.listeningSocket()->LocalIP())
    {
        QObject::connect(w.find<QLineEdit>(QStringLiteral("txtStatus")), &QLineEdit::textChanged, &context,
                         [this, &w](const QString &message) {
                             ++messages;
                             if (namesANamelessPeer(message))
                                 namelessPeers << message;
                             else if (const QString why = judge(w, message); !why.isEmpty())
                                 strange << why;
                         });
    }

    // Why the line's message is none of the program's; empty when it is.
    QString judge(const WindowDriver &w, const QString &message) const
    {
        return strangeStatus(message, w.statusColour(),
                             {localIP, w.text(QStringLiteral("txtPort")), w.text(QStringLiteral("txtRemoteIP")),
                              w.text(QStringLiteral("txtRemotePort"))});
    }

    // A peer that resets before the window takes it has no address left; it
    // must be turned away, never named as ":0". Kept apart, so a test can
    // finish everything else and then name every such message at once.
    static bool namesANamelessPeer(const QString &message)
    {
        return message.startsWith(u"Listening Socket -> ") && message.endsWith(u" :0");
    }

    const QString localIP;
    QStringList strange;
    QStringList namelessPeers;
    int messages = 0;

private:
    QObject context;
};
