// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QTimer>

#include <optional>

class QLineEdit;

// Tells screen readers of each new status message. The status line is a
// read-only text that rarely has the focus, and readers present none of the
// changes to such a text; a notification shown beside it is presented
// wherever the focus is. An error is told at once. Anything else is told at
// once after a quiet second, and otherwise when the second is over, the
// latest of the messages written meanwhile: a flood of arrivals is heard
// about once a second rather than drowning the reader, and always to its end.
class StatusAnnouncer : public QObject
{
    Q_OBJECT

public:
    explicit StatusAnnouncer(QLineEdit *statusLine);

    void announce(const QString &message, bool urgent);

    // The status line the messages are written in.
    QLineEdit *statusLine() const;
    // The message told last, which the notification reads.
    QString message() const { return told; }

signals:
    // A message is told: its notification is shown to screen readers.
    void announced(const QString &message);

private:
    void tell(const QString &message);
    void quietSecondOver();

    QTimer quietSecond;
    QString told;
    std::optional<QString> held;
};
