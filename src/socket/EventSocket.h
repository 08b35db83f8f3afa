// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "EventSocketError.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

// An event-driven TCP or UDP socket for one panel of the main window.
//
// Operations that fail throw EventSocketError. Events are signals, emitted
// only from the event loop, never from inside one of this class's own calls,
// so a handler may call any operation, Close() and set-up again included.
//
// States (State()):
//   0 Closed            nothing open
//   1 Open              UDP: bound or given a destination; TCP: bound, Listen() not yet called
//   2 Listening         TCP: a listener is open
//   4 ResolvingHost     TCP: looking the host name up
//   6 Connecting        TCP: the connection attempt is under way
//   7 Connected         TCP: connected to one peer
//   8 Closing           TCP: the peer has closed; Close() finishes it
//   9 Error             an asynchronous error ended what was under way
class EventSocket : public QObject
{
    Q_OBJECT

public:
    enum ProtocolValue { TcpProtocol = 0, UdpProtocol = 1 };
    enum StateValue {
        StateClosed = 0,
        StateOpen = 1,
        StateListening = 2,
        StateResolvingHost = 4,
        StateConnecting = 6,
        StateConnected = 7,
        StateClosing = 8,
        StateError = 9,
    };

    explicit EventSocket(QObject *parent = nullptr);
    ~EventSocket() override;

    int Protocol() const;
    // Only while closed; throws otherwise.
    void SetProtocol(int protocol);

    // While open: the port actually bound (after Bind with port 0, the one the
    // system chose). While closed: the value last set.
    int LocalPort() const;
    // The local port Connect opens on, 0 for any; Bind takes its port from its text.
    void SetLocalPort(int port);

    // This machine's own IPv4 address as dotted text: the first interface
    // that is up, running and not loopback; 127.0.0.1 when there is none.
    QString LocalIP() const;
    // The peer's address ("192.0.2.7", IPv4 peers always dotted, IPv6 in its
    // usual form) and port; for UDP, the peer of the latest datagram: the
    // sender of the one last fetched, or where the one last sent went.
    QString RemoteHostIP() const;
    int RemotePort() const;

    int State() const;

    // Leaves the instance closed from any state; harmless when closed.
    // Raises no CloseEvent. A TCP connection still owing its peer bytes
    // hands them over and closes in order in the background.
    void Close();
    // TCP: starts connecting; CloseEvent-free, ends in ConnectEvent or ErrorEvent.
    // A name that leads to several addresses connects to whichever answers
    // first (see ConnectionRace.h); the error, when none does, is the last one's.
    // UDP: opens the socket with host and port as the destination of SendData;
    // a name leads to the first address the resolver gives.
    void Connect(const QString &host, const QString &port);
    // Binds the local port given as text (read like a port box, see PortText.h).
    // UDP then receives datagrams from any sender.
    void Bind(const QString &port);
    // TCP, after Bind: each incoming connection raises ConnectionRequest.
    void Listen();
    // On a closed instance, inside the ConnectionRequest handler: takes over
    // the pending connection; State() becomes 7. A request not accepted by
    // the end of its handler is closed.
    void Accept(int requestID);
    // TCP: to the peer; Close() later still delivers what was accepted here.
    // UDP: to the destination given to Connect, whoever else writes to this
    // socket; after Bind alone, to the sender of the latest datagram, and
    // with none yet it throws an error of kind NoDestinationYet. While the
    // destination's name is still being looked up it throws too.
    void SendData(const QByteArray &data);
    // All bytes received and not yet fetched (UDP: the datagram announced by
    // the current DataArrival).
    void GetData(QByteArray &data);
    // UDP: datagrams dropped unseen since the socket opened, because the
    // window fell behind a flood and only the newest were worth showing.
    qint64 droppedDatagrams() const;

signals:
    void ConnectionRequest(int requestID);
    void ConnectEvent();
    // bytesTotal bytes wait; one UDP datagram per event, the empty one too.
    void DataArrival(int bytesTotal);
    // The TCP peer closed; bytes it sent before are delivered first.
    void CloseEvent();
    void ErrorEvent(int number, const QString &description);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
