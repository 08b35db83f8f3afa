#pragma once

// Drives the real main window the way a user does: controls are found by
// their objectName, clicked with the mouse and typed into with the keyboard.

#include "app/frmMain.h"
#include "socket/EventSocket.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QButtonGroup>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

class WindowDriver
{
public:
    WindowDriver()
        : window(new frmMain)
    {
        window->show();
    }

    ~WindowDriver()
    {
        if (window)
            window->close();
        delete window.data();
    }

    template<typename T>
    T *find(const QString &name) const
    {
        auto *object = window->findChild<T *>(name);
        if (!object)
            qFatal("no control named %s", qPrintable(name));
        return object;
    }

    void click(const QString &button) const
    {
        auto *target = find<QAbstractButton>(button);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    }

    // Replaces a box's text by typing, as a user would after selecting all.
    void type(const QString &box, const QString &text) const
    {
        auto *target = find<QWidget>(box);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_Delete);
        for (QChar character : text) {
            if (character.unicode() < 0x80) {
                QTest::keyClick(target, character.toLatin1());
            } else {
                // QTest knows keys for ASCII only; anything else comes as
                // text, the way an input method delivers it.
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
                QApplication::sendEvent(target, &press);
                QApplication::sendEvent(target, &release);
            }
        }
    }

    void select(const QString &group, int index) const
    {
        click(group + u'_' + QString::number(index));
    }

    int selected(const QString &group) const { return find<QButtonGroup>(group)->checkedId(); }

    QString text(const QString &box) const
    {
        if (auto *line = window->findChild<QLineEdit *>(box))
            return line->text();
        return find<QPlainTextEdit>(box)->toPlainText();
    }

    QColor textColour(const QString &box) const
    {
        return find<QWidget>(box)->palette().color(QPalette::Active, QPalette::Text);
    }

    QString status() const { return text(QStringLiteral("txtStatus")); }
    QColor statusColour() const { return textColour(QStringLiteral("txtStatus")); }

    EventSocket *listeningSocket() const { return find<EventSocket>(QStringLiteral("ListeningSocket")); }
    EventSocket *outgoingSocket() const { return find<EventSocket>(QStringLiteral("OutgoingSocket")); }

    // Listens on a port the system hands out and gives that port back.
    quint16 listenOnFreePort(int transport = 0) const
    {
        select(QStringLiteral("optionTransportLS"), transport);
        type(QStringLiteral("txtPort"), QStringLiteral("0"));
        click(QStringLiteral("btnSetPort"));
        return quint16(listeningSocket()->LocalPort());
    }

    QPointer<frmMain> window;
};

inline const QColor black(0, 0, 0);
inline const QColor blue(0, 0, 255);
inline const QColor red(255, 0, 0);
