// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The listening panel: a small server on a local port, one TCP peer at a time.
#include "app/StatusMessages.h"
#include "app/frmMain.h"
#include "ui_frmMain.h"

#include "socket/EventSocket.h"
#include "socket/PortText.h"

#include <QPushButton>

void frmMain::connectListeningPanel()
{
    connect(ui->btnSetPort, &QPushButton::clicked, this, &frmMain::btnSetPort_Click);
    connect(ui->btnCloseLS, &QPushButton::clicked, this, &frmMain::btnCloseLS_Click);
    connect(ui->txtPort, &QLineEdit::textChanged, this, &frmMain::txtPort_Change);
    connect(ui->btnSendLS, &QPushButton::clicked, this, &frmMain::btnSendLS_Click);
    connect(ListeningSocket, &EventSocket::ConnectionRequest, this, &frmMain::ListeningSocket_ConnectionRequest);
    connect(ListeningSocket, &EventSocket::CloseEvent, this, &frmMain::ListeningSocket_Close);
    connect(ListeningSocket, &EventSocket::DataArrival, this, &frmMain::ListeningSocket_DataArrival);
    connect(ListeningSocket, &EventSocket::ErrorEvent, this, &frmMain::ListeningSocket_Error);
}

void frmMain::btnSetPort_Click()
{
    try {
        // A rejected port leaves whatever is open alone.
        const std::optional<double> port = checkedPort(ui->txtPort, StatusMessages::listeningInvalidPort);
        if (!port)
            return;
        const auto transport = transportOf(ui->optionTransportLS);
        const bool tcp = transport == EventSocket::TcpProtocol;
        ListeningSocket->Close();
        ListeningSocket->SetProtocol(transport);
        ListeningSocket->SetLocalPort(roundHalfEven(*port));
        ListeningSocket->Bind(ui->txtPort->text());
        if (tcp)
            ListeningSocket->Listen();
        // The port shown is the box's text as typed, not the number read
        // from it; but where the system chose the port, the user must learn
        // which one it chose.
        const QString portShown =
            roundHalfEven(*port) == 0 ? QString::number(ListeningSocket->LocalPort()) : ui->txtPort->text();
        SetStatus((tcp ? StatusMessages::listeningOnTcp : StatusMessages::listeningOnUdp) + ListeningSocket->LocalIP()
                      + u':' + portShown,
                  StatusColour::blue);
    } catch (const EventSocketError &error) {
        SetStatusError(StatusMessages::listeningError + error.description());
    }
}

void frmMain::btnCloseLS_Click()
{
    ListeningSocket->Close();
    SetStatus(StatusMessages::notListening, StatusColour::black);
}

void frmMain::txtPort_Change()
{
    setTextColour(ui->txtPort, StatusColour::black);
}

void frmMain::ListeningSocket_ConnectionRequest(int requestID)
{
    // The listener closes before it accepts, so a second peer finds no one
    // listening while this one is connected.
    ListeningSocket->Close();
    try {
        ListeningSocket->Accept(requestID);
        SetStatus(StatusMessages::listeningConnectedTo + peerText(ListeningSocket), StatusColour::blue);
    } catch (const EventSocketError &error) {
        SetStatusError(StatusMessages::listeningError + error.description());
    }
}

void frmMain::ListeningSocket_Close()
{
    // Back to listening, with whatever port and transport the boxes hold now.
    ListeningSocket->Close();
    btnSetPort_Click();
}

void frmMain::ListeningSocket_Error(int, const QString &description)
{
    // An open listener or its peer failing must not pass in silence.
    SetStatusError(StatusMessages::listeningError + description);
}

void frmMain::ListeningSocket_DataArrival(int bytesTotal)
{
    showArrival(ListeningSocket, bytesTotal, ui->txtReceivedDataLS, ui->optionRxDataFormatLS,
                StatusMessages::listeningReceivedFrom, StatusMessages::listeningError);
}

void frmMain::btnSendLS_Click()
{
    static const SendMessages messages{
        StatusMessages::listeningNoPeer,
        StatusMessages::listeningTcpSentTo,
        StatusMessages::listeningUdpSentTo,
        StatusMessages::listeningError,
    };
    sendTransmitData(ui->txtTransmitDataLS, ui->optionTxtDataFormatLS, ui->optionTransportLS, ListeningSocket,
                     messages);
}
