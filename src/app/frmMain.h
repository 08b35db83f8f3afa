// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "StatusColour.h"

#include "socket/EventSocket.h"

#include <QMainWindow>

#include <memory>
#include <optional>

class QButtonGroup;
class QCloseEvent;
class QLineEdit;
class ReceivedDataView;
class StatusAnnouncer;
class TransmitDataEdit;

namespace Ui {
class frmMain;
}

// The main window: the listening panel above, the outgoing panel below and
// the status line. One class owns every control and both sockets; each
// panel's handlers live in that panel's own folder.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    frmMain();
    ~frmMain() override;

    void SetStatus(const QString &message, StatusColour colour);
    void SetStatusError(const QString &message);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void StartUp();
    void applyLook();
    static void setTextColour(QWidget *widget, StatusColour colour);
    static void writeBack(TransmitDataEdit *box, const QString &text);
    static QString peerText(const EventSocket *socket);

    // The steps both panels share (PanelTraffic.cpp).
    // The transport option, whose indexes are the socket's protocols.
    static EventSocket::ProtocolValue transportOf(const QButtonGroup *group);
    // The port box read as a number from 0 to 65535; out of range, the box
    // turns red, the panel's message is shown and nothing is given.
    std::optional<double> checkedPort(QLineEdit *box, const QString &invalidMessage);

    // The send and receive steps are the same on both panels; each panel
    // names its own controls, socket and messages.
    struct SendMessages
    {
        QString notConnected;
        QString tcpSent;
        QString udpSent;
        QString error;
    };
    void sendTransmitData(TransmitDataEdit *box, QButtonGroup *txFormat, QButtonGroup *transport, EventSocket *socket,
                          const SendMessages &messages);
    void showArrival(EventSocket *socket, int bytesTotal, ReceivedDataView *box, QButtonGroup *rxFormat,
                     const QString &receivedFrom, const QString &errorPrefix);
    void connectMenu();
    void connectListeningPanel();
    void connectOutgoingPanel();

    void mnuExit_Click();
    void mnuManual_Click();
    void mnuAbout_Click();

    // Listening panel
    void btnSetPort_Click();
    void btnCloseLS_Click();
    void txtPort_Change();
    void btnSendLS_Click();
    void ListeningSocket_ConnectionRequest(int requestID);
    void ListeningSocket_Close();
    void ListeningSocket_DataArrival(int bytesTotal);
    void ListeningSocket_Error(int number, const QString &description);

    // Outgoing panel
    void btnConnectOS_Click();
    void btnDisconnectOS_Click();
    void txtRemotePort_Change();
    void btnSendOS_Click();
    void OutgoingSocket_Connect();
    void OutgoingSocket_Close();
    void OutgoingSocket_Error(int number, const QString &description);
    void OutgoingSocket_DataArrival(int bytesTotal);

    std::unique_ptr<Ui::frmMain> ui;
    EventSocket *ListeningSocket;
    EventSocket *OutgoingSocket;
    StatusAnnouncer *statusAnnouncer = nullptr;
};
