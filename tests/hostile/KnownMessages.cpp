// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "KnownMessages.h"

#include "formats/TokenReading.h"
#include "support/WindowDriver.h"

#include <QRegularExpression>

namespace {

enum class Tail {
    None,          // the whole message is fixed
    LoopbackPeer,  // 127.0.0.1 or ::1, a colon and a port without leading zeros
    ListeningPort, // the machine's address, a colon and the port box as typed or the port chosen
    OpenedTowards, // a loopback peer, or the remote host and port boxes as typed
    SentTo,        // a loopback peer, or the name still being looked up
    Description,   // an error's description: one line, not empty
};

struct Known
{
    QString text;
    QColor colour;
    Tail tail = Tail::None;
};

const QList<Known> &knownMessages()
{
    using namespace StatusMessages;
    static const QList<Known> known{
        {startUp, black},
        {notListening, black},
        {listeningInvalidPort, red},
        {listeningNoPeer, red},
        {parseErrorMessage(TokenVerdict::NotNumeric), red},
        {parseErrorMessage(TokenVerdict::OutOfRange), red},
        {parseErrorMessage(TokenVerdict::BadHexCharacter), red},
        {parseErrorMessage(TokenVerdict::TooLong), red},
        {outgoingInvalidPort, red},
        {disconnected, black},
        {closedByRemote, black},
        {outgoingNotConnected, red},
        {listeningOnTcp, blue, Tail::ListeningPort},
        {listeningOnUdp, blue, Tail::ListeningPort},
        {listeningConnectedTo, blue, Tail::LoopbackPeer},
        {listeningReceivedFrom, blue, Tail::LoopbackPeer},
        {listeningTcpSentTo, blue, Tail::LoopbackPeer},
        {listeningUdpSentTo, blue, Tail::LoopbackPeer},
        {listeningError, red, Tail::Description},
        {outgoingConnectedTo, blue, Tail::OpenedTowards},
        {outgoingReceivedFrom, blue, Tail::LoopbackPeer},
        {outgoingTcpSentTo, blue, Tail::LoopbackPeer},
        {outgoingUdpSentTo, blue, Tail::SentTo},
        {outgoingError, red, Tail::Description},
    };
    return known;
}

bool isLoopbackPeer(const QString &tail)
{
    static const QRegularExpression peer(QStringLiteral("^(?:127\\.0\\.0\\.1|::1):(0|[1-9][0-9]{0,4})$"));
    const QRegularExpressionMatch match = peer.match(tail);
    return match.hasMatch() && match.captured(1).toInt() <= 65535;
}

bool fitsTail(Tail tail, const QString &text, const StatusContext &context)
{
    switch (tail) {
    case Tail::None:
        return text.isEmpty();
    case Tail::LoopbackPeer:
        return isLoopbackPeer(text);
    case Tail::ListeningPort: {
        // Port 0 is named by the port the system chose.
        static const QRegularExpression chosen(QStringLiteral("^:[1-9][0-9]{0,4}$"));
        return text == context.localIP + u':' + context.portText
               || (text.startsWith(context.localIP) && chosen.match(text.sliced(context.localIP.size())).hasMatch());
    }
    case Tail::OpenedTowards:
        return isLoopbackPeer(text) || text == context.remoteHostText + u':' + context.remotePortText;
    case Tail::SentTo: {
        static const QRegularExpression named(QStringLiteral("^localhost:(0|[1-9][0-9]{0,4})$"));
        return isLoopbackPeer(text) || named.match(text).hasMatch();
    }
    case Tail::Description: {
        // One line, even where it quotes a port text holding line breaks.
        return !text.trimmed().isEmpty() && !text.contains(u'\n') && !text.contains(u'\r');
    }
    }
    return false;
}

} // namespace

QString strangeStatus(const QString &message, const QColor &colour, const StatusContext &context)
{
    QString nearest;
    for (const Known &known : knownMessages()) {
        if (!message.startsWith(known.text))
            continue;
        if (!fitsTail(known.tail, message.sliced(known.text.size()), context)) {
            if (nearest.isEmpty())
                nearest = QStringLiteral("it begins like \"%1\" but its tail does not fit").arg(known.text);
            continue;
        }
        if (colour != known.colour) {
            nearest = QStringLiteral("it is shown in %1, not %2").arg(colour.name(), known.colour.name());
            continue;
        }
        return {};
    }
    return QStringLiteral("\"%1\" in %2 is no message of the program: %3")
        .arg(message, colour.name(), nearest.isEmpty() ? QStringLiteral("nothing begins like it") : nearest);
}
