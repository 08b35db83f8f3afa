// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// Every text the status line shows, whole or as the fixed beginning that a
// peer's name, a port or a description completes. Peers and users read
// these texts, so they stay exactly as they are, lower-case "outgoing" of
// the UDP send included. The parse errors stay beside the encoder in
// formats/, which knows no windows (parseErrorMessage).
namespace StatusMessages {

inline const QString startUp =
    QStringLiteral("Listening Socket -> Not Listening.     Outgoing Socket -> Not Connected.");

// The listening panel
inline const QString listeningOnTcp = QStringLiteral("Listening Socket -> Listening on TCP ");
inline const QString listeningOnUdp = QStringLiteral("Listening Socket -> Listening on UDP ");
inline const QString notListening = QStringLiteral("Listening Socket -> Not Listening");
inline const QString listeningInvalidPort = QStringLiteral("Listening Socket -> Invalid Port Number");
inline const QString listeningConnectedTo = QStringLiteral("Listening Socket -> Connected to ");
inline const QString listeningReceivedFrom = QStringLiteral("Listening Socket -> Data received from ");
inline const QString listeningTcpSentTo = QStringLiteral("Listening Socket -> TCP Data sent to ");
inline const QString listeningUdpSentTo = QStringLiteral("Listening Socket -> UDP Data sent to ");
inline const QString listeningNoPeer =
    QStringLiteral("Listening Socket -> Error: A remote host has not yet connected!");
inline const QString listeningError = QStringLiteral("Listening Socket -> Error: ");

// The outgoing panel
inline const QString outgoingConnectedTo = QStringLiteral("Outgoing Socket -> Connected to ");
inline const QString disconnected = QStringLiteral("Outgoing Socket -> Disconnected");
inline const QString closedByRemote = QStringLiteral("Outgoing Socket -> Connection closed by remote host");
inline const QString outgoingInvalidPort = QStringLiteral("Outgoing Socket -> Invalid Port Number");
inline const QString outgoingReceivedFrom = QStringLiteral("Outgoing Socket -> Data received from ");
inline const QString outgoingTcpSentTo = QStringLiteral("Outgoing Socket -> TCP Data sent to ");
inline const QString outgoingUdpSentTo = QStringLiteral("outgoing Socket -> UDP Data sent to ");
inline const QString outgoingNotConnected = QStringLiteral("Outgoing Socket -> Error: Socket not connected");
inline const QString outgoingError = QStringLiteral("Outgoing Socket -> Error: ");

// All of the above, for the checks that each is explained in the manual.
inline QStringList all()
{
    return {startUp,
            listeningOnTcp,
            listeningOnUdp,
            notListening,
            listeningInvalidPort,
            listeningConnectedTo,
            listeningReceivedFrom,
            listeningTcpSentTo,
            listeningUdpSentTo,
            listeningNoPeer,
            listeningError,
            outgoingConnectedTo,
            disconnected,
            closedByRemote,
            outgoingInvalidPort,
            outgoingReceivedFrom,
            outgoingTcpSentTo,
            outgoingUdpSentTo,
            outgoingNotConnected,
            outgoingError};
}

} // namespace StatusMessages
