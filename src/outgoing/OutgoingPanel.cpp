// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The outgoing panel: a small client of a remote host and port.
#include "app/StatusMessages.h"
#include "app/frmMain.h"
#include "ui_frmMain.h"

#include "socket/EventSocket.h"
#include "socket/PortText.h"

#include <QPushButton>

void frmMain::connectOutgoingPanel()
{
    connect(ui->btnConnectOS, &QPushButton::clicked, this, &frmMain::btnConnectOS_Click);
    connect(ui->btnDisconnectOS, &QPushButton::clicked, this, &frmMain::btnDisconnectOS_Click);
    connect(ui->txtRemotePort, &QLineEdit::textChanged, this, &frmMain::txtRemotePort_Change);
    connect(ui->btnSendOS, &QPushButton::clicked, this, &frmMain::btnSendOS_Click);
    connect(OutgoingSocket, &EventSocket::ConnectEvent, this, &frmMain::OutgoingSocket_Connect);
    connect(OutgoingSocket, &EventSocket::CloseEvent, this, &frmMain::OutgoingSocket_Close);
    connect(OutgoingSocket, &EventSocket::ErrorEvent, this, &frmMain::OutgoingSocket_Error);
    connect(OutgoingSocket, &EventSocket::DataArrival, this, &frmMain::OutgoingSocket_DataArrival);
}

void frmMain::btnConnectOS_Click()
{
    try {
        // A rejected port leaves an open connection alone.
        if (!checkedPort(ui->txtRemotePort, StatusMessages::outgoingInvalidPort))
            return;
        const auto transport = transportOf(ui->optionTransportOS);
        OutgoingSocket->Close();
        OutgoingSocket->SetProtocol(transport);
        OutgoingSocket->Connect(ui->txtRemoteIP->text(), ui->txtRemotePort->text());
        // TCP reports when its connect or error event arrives; UDP has no
        // handshake, so it is open at once, named by the boxes as typed.
        if (transport == EventSocket::UdpProtocol)
            SetStatus(StatusMessages::outgoingConnectedTo + ui->txtRemoteIP->text() + u':' + ui->txtRemotePort->text(),
                      StatusColour::blue);
    } catch (const EventSocketError &error) {
        SetStatusError(StatusMessages::outgoingError + error.description());
    }
}

void frmMain::btnDisconnectOS_Click()
{
    OutgoingSocket->Close();
    if (OutgoingSocket->State() == EventSocket::StateClosed)
        SetStatus(StatusMessages::disconnected, StatusColour::black);
}

void frmMain::txtRemotePort_Change()
{
    // As on the listening panel: editing a rejected port clears its mark.
    setTextColour(ui->txtRemotePort, StatusColour::black);
}

void frmMain::OutgoingSocket_Connect()
{
    SetStatus(StatusMessages::outgoingConnectedTo + peerText(OutgoingSocket), StatusColour::blue);
}

void frmMain::OutgoingSocket_Close()
{
    OutgoingSocket->Close();
    SetStatus(StatusMessages::closedByRemote, StatusColour::black);
}

void frmMain::OutgoingSocket_Error(int, const QString &description)
{
    SetStatusError(StatusMessages::outgoingError + description);
}

void frmMain::OutgoingSocket_DataArrival(int bytesTotal)
{
    showArrival(OutgoingSocket, bytesTotal, ui->txtReceivedDataOS, ui->optionRxDataFormatOS,
                StatusMessages::outgoingReceivedFrom, StatusMessages::outgoingError);
}

void frmMain::btnSendOS_Click()
{
    static const SendMessages messages{
        StatusMessages::outgoingNotConnected,
        StatusMessages::outgoingTcpSentTo,
        StatusMessages::outgoingUdpSentTo,
        StatusMessages::outgoingError,
    };
    sendTransmitData(ui->txtTransmitDataOS, ui->optionTxtDataFormatOS, ui->optionTransportOS, OutgoingSocket, messages);
}
