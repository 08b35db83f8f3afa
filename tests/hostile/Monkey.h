// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "MonkeyInput.h"
#include "MonkeyPeers.h"

#include <QString>

class WindowDriver;

// A random user at the main window, with random peers at both panels. Each
// act() takes one action, a user's or a peer's, and says what it did.
class Monkey
{
public:
    Monkey(const WindowDriver &w, quint32 seed);

    // The start-up address may be any machine's: before anything else the
    // monkey types a loopback host over it.
    void takeOverRemoteHost();
    QString act();
    // Whether the remote host box holds a host the monkey may talk to.
    bool remoteHostIsLoopback() const;
    // Closes the about boxes and help viewers it left open.
    void closeItsWindows();

    const MonkeyPeers &peers() const { return peers_; }

private:
    QString typeIntoABox();
    QString pressAKey();
    QString chooseAnOption();
    QString clickAButton();
    QString clickButton(const QString &button);
    QString useTheAboutBox();
    QString useTheManual();
    QString peerTraffic();
    QString pause();

    QList<quint16> ownPorts() const;

    const WindowDriver &w;
    MonkeyInput input;
    MonkeyPeers peers_;
    quint16 listeningPort = 0; // the one fixed port the monkey offers the listening panel
};
