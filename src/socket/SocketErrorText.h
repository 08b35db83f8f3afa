// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractSocket>
#include <QString>

// The numbers ErrorEvent carries. They are ours and stay fixed, so a handler
// may compare them without depending on the network library underneath.
enum class SocketErrorNumber : int {
    ConnectionRefused = 1,
    HostNotFound = 2,
    ConnectionTimedOut = 3,
    NetworkFailure = 4,
    AddressInUse = 5,
    AddressNotAvailable = 6,
    PermissionDenied = 7,
    OutOfResources = 8,
    DatagramTooLarge = 9,
    ConnectionLost = 10,
    UnsupportedOperation = 11,
    TryAgain = 12,
    WrongState = 13,
    Unknown = 99,
};

struct SocketFailure
{
    SocketErrorNumber number = SocketErrorNumber::Unknown;
    QString description;
};

// A sentence for the status line. systemText, the library's own message, is
// used only where our table has nothing more precise (a network failure may be
// "Network unreachable" or "Host unreachable").
SocketFailure describeSocketError(QAbstractSocket::SocketError error, const QString &systemText = {});
// A refused send, named by the system's error number: the system's own
// sentence where our table has nothing more precise.
SocketFailure describeSendError(int systemError);
