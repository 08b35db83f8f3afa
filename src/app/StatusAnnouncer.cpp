// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "StatusAnnouncer.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QLineEdit>

#include <utility>

namespace {

// A burst of messages is told at most this often.
constexpr int quietMilliseconds = 1000;

// Shown, and for reading only.
QAccessible::State readOnly()
{
    QAccessible::State state;
    state.readOnly = true;
    return state;
}

// The message inside the notification, as a label: readers speak and show
// the labels a notification holds, and keep them in its history.
class StatusMessageLabel : public QAccessibleInterface
{
public:
    StatusMessageLabel(QAccessibleInterface *notification, const StatusAnnouncer *announcer)
        : notification(notification)
        , announcer(announcer)
    {}

    bool isValid() const override { return true; }
    QObject *object() const override { return nullptr; }
    QAccessibleInterface *parent() const override { return notification; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text type) const override
    {
        return type == QAccessible::Name ? announcer->message() : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override { return notification->rect(); }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override { return readOnly(); }

private:
    QAccessibleInterface *notification;
    const StatusAnnouncer *announcer;
};

// A notification named as the status line is, over the line's place: the
// role that readers present the moment it is shown, wherever the focus is.
class StatusNotification : public QAccessibleObject
{
public:
    explicit StatusNotification(StatusAnnouncer *announcer)
        : QAccessibleObject(announcer)
    {
        // The label lives as long as the notification: the two go together.
        messageId = QAccessible::registerAccessibleInterface(new StatusMessageLabel(this, announcer));
    }

    ~StatusNotification() override { QAccessible::deleteAccessibleInterface(messageId); }

    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(line()); }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::accessibleInterface(messageId) : nullptr;
    }
    int childCount() const override { return 1; }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child == QAccessible::accessibleInterface(messageId) ? 0 : -1;
    }
    QString text(QAccessible::Text type) const override
    {
        return type == QAccessible::Name ? line()->accessibleName() : QString();
    }
    QRect rect() const override { return QRect(line()->mapToGlobal(QPoint(0, 0)), line()->size()); }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return readOnly(); }

private:
    QLineEdit *line() const { return static_cast<StatusAnnouncer *>(object())->statusLine(); }

    QAccessible::Id messageId = 0;
};

QAccessibleInterface *createStatusNotification(const QString &className, QObject *object)
{
    if (className == QLatin1String("StatusAnnouncer") && object)
        return new StatusNotification(static_cast<StatusAnnouncer *>(object));
    return nullptr;
}

} // namespace

StatusAnnouncer::StatusAnnouncer(QLineEdit *statusLine)
    : QObject(statusLine)
{
    static const bool accessible = (QAccessible::installFactory(&createStatusNotification), true);
    Q_UNUSED(accessible);
    quietSecond.setSingleShot(true);
    quietSecond.setInterval(quietMilliseconds);
    connect(&quietSecond, &QTimer::timeout, this, &StatusAnnouncer::quietSecondOver);
}

QLineEdit *StatusAnnouncer::statusLine() const
{
    return static_cast<QLineEdit *>(parent());
}

void StatusAnnouncer::announce(const QString &message, bool urgent)
{
    // Before the window is shown, the reader presents the window itself,
    // status line and all.
    if (!statusLine()->isVisible())
        return;
    if (urgent || !quietSecond.isActive()) {
        // What was held is older than this message: this one is the news.
        held.reset();
        tell(message);
    } else {
        held = message;
    }
}

void StatusAnnouncer::tell(const QString &message)
{
    told = message;
    quietSecond.start();
    emit announced(message);
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface *notification = QAccessible::queryAccessibleInterface(this);
    // Readers that keep the label's text learn it has changed; they present
    // the notification only when it is shown.
    QAccessibleEvent renamed(notification->child(0), QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    QAccessibleEvent shown(notification, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

void StatusAnnouncer::quietSecondOver()
{
    if (held)
        tell(*std::exchange(held, std::nullopt));
}
