// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The send and receive steps that both panels share.
#include "ReceivedDataView.h"
#include "TransmitDataEdit.h"
#include "frmMain.h"

#include "formats/TransmitEncoding.h"
#include "socket/EventSocket.h"
#include "socket/PortText.h"

#include <QButtonGroup>
#include <QLineEdit>

QString frmMain::peerText(const EventSocket *socket)
{
    return socket->RemoteHostIP() + u':' + QString::number(socket->RemotePort());
}

EventSocket::ProtocolValue frmMain::transportOf(const QButtonGroup *group)
{
    return EventSocket::ProtocolValue(group->checkedId());
}

std::optional<double> frmMain::checkedPort(QLineEdit *box, const QString &invalidMessage)
{
    // A text that is no number at all throws, and is reported by the caller.
    const double port = readPortNumber(box->text());
    if (!isPortNumber(port)) {
        setTextColour(box, StatusColour::red);
        SetStatusError(invalidMessage);
        return std::nullopt;
    }
    return port;
}

void frmMain::sendTransmitData(TransmitDataEdit *box, QButtonGroup *txFormat, QButtonGroup *transport,
                               EventSocket *socket, const SendMessages &messages)
{
    try {
        // Encoding comes first, so a parse error shows even with no peer.
        const auto format = DataFormat(txFormat->checkedId());
        const EncodedTransmitData encoded = EncodeTransmitData(box->toPlainText(), format);
        if (format != DataFormat::String)
            writeBack(box, encoded.normalisedText);
        if (!encoded.bytes) {
            if (!encoded.error.isEmpty())
                SetStatusError(encoded.error);
            return;
        }
        // The transport is the one selected now, not the one the socket was opened with.
        if (transportOf(transport) == EventSocket::TcpProtocol) {
            if (socket->State() != EventSocket::StateConnected) {
                SetStatusError(messages.notConnected);
                return;
            }
            socket->SendData(*encoded.bytes);
            SetStatus(messages.tcpSent + peerText(socket), StatusColour::blue);
        } else {
            socket->SendData(*encoded.bytes);
            SetStatus(messages.udpSent + peerText(socket), StatusColour::blue);
        }
        box->clear();
    } catch (const EventSocketError &error) {
        // A send the socket refuses is reported, and the box keeps its text
        // for another try. Only a listener that nobody has written to yet
        // has no one to answer, and says nothing.
        if (error.kind() != EventSocketError::NoDestinationYet)
            SetStatusError(messages.error + error.description());
    }
}

void frmMain::showArrival(EventSocket *socket, int bytesTotal, ReceivedDataView *box, QButtonGroup *rxFormat,
                          const QString &receivedFrom, const QString &errorPrefix)
{
    try {
        QByteArray data;
        socket->GetData(data);
        // Read after the fetch: over UDP they name this datagram's sender.
        SetStatus(receivedFrom + peerText(socket), StatusColour::blue);
        box->showArrival(data, bytesTotal, DataFormat(rxFormat->checkedId()));
    } catch (const EventSocketError &error) {
        SetStatusError(errorPrefix + error.description());
    }
}
