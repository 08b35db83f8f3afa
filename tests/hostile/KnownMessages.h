// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QColor>
#include <QString>

// What the status line may hold: every message the program writes, each in
// its own colour. Fixed messages match whole; the others are a fixed
// beginning followed by a tail of a known shape (a loopback peer, the port
// as typed, an error's description).
struct StatusContext
{
    QString localIP;        // the machine's address, as the listening messages name it
    QString portText;       // txtPort as it reads now
    QString remoteHostText; // txtRemoteIP as it reads now
    QString remotePortText; // txtRemotePort as it reads now
};

// Why a message, shown in this colour, is none the program writes; empty
// when it is one of them.
QString strangeStatus(const QString &message, const QColor &colour, const StatusContext &context);
