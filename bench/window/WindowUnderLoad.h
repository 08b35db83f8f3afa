// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

class EventSocket;
class PaintWatch;
class QAbstractButton;
class QWidget;
class frmMain;

// The real main window, driven through its controls as a user drives it,
// with counters on the listening panel's arrivals and its received box.
class WindowUnderLoad
{
public:
    WindowUnderLoad();
    ~WindowUnderLoad();

    // Listens on a port the system hands out, over TCP (0) or UDP (1),
    // with the Rx format given by its option index; gives the port back.
    int listen(int transport, int rxFormat);
    void closeListening();

    QAbstractButton *button(const QString &name) const;
    QWidget *child(const QString &name) const;
    QString boxText() const;
    EventSocket *listeningSocket() const { return listening; }
    PaintWatch *boxPaints() const { return paints; }
    PaintWatch *statusPaints() const { return statusLinePaints; }

    void resetArrivals();
    int arrivals = 0;
    qint64 bytesArrived = 0;
    int lastBytesTotal = 0;
    qint64 lastArrivalNs = 0;

private:
    frmMain *window = nullptr;
    EventSocket *listening = nullptr;
    QWidget *box = nullptr;
    PaintWatch *paints = nullptr;
    PaintWatch *statusLinePaints = nullptr;
};

// A peer in a second copy of this program (see Peer.h).
class PeerProcess
{
public:
    explicit PeerProcess(const QStringList &arguments);
    ~PeerProcess();

    bool ready() const { return isReady; }
    void go();
    // Whether the peer has said "sent"; read as the event loop brings its output.
    bool sent();
    bool waitUntilSent(int timeoutMs);
    // The peer's "sent" line, split into words; a number after a word.
    qint64 sentFigure(const char *word) const;
    // Writes a line to the peer and waits for the line it answers with.
    QByteArray ask(const QByteArray &line, int timeoutMs);

private:
    QProcess process;
    bool isReady = false;
    bool hasSent = false;
    QList<QByteArray> sentWords;
};
