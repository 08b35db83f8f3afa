// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The yardstick for start-up: a plain Qt window with the main window's
// widgets, kinds, texts and geometry, and nothing of ours (no style sheet,
// fonts, icon, address lookup or own text boxes). It links Qt Widgets
// alone and reports its first paint as the start-up child does.

#include "FirstPaint.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <initializer_list>

namespace {

struct Placed
{
    const char *text;
    int x, y, width, height;
};

template <typename Widget>
Widget *place(QWidget *parent, const Placed &p)
{
    auto *widget = new Widget(QString::fromLatin1(p.text), parent);
    widget->setGeometry(p.x, p.y, p.width, p.height);
    return widget;
}

void addOptions(QWidget *panel, const Placed &frame, std::initializer_list<Placed> options)
{
    auto *box = place<QGroupBox>(panel, frame);
    auto *group = new QButtonGroup(box);
    for (const Placed &option : options)
        group->addButton(place<QRadioButton>(box, option));
    group->buttons().constFirst()->setChecked(true);
}

void addLine(QWidget *panel, int y)
{
    auto *line = new QFrame(panel);
    line->setFrameShape(QFrame::HLine);
    line->setGeometry(400, y - 1, 16, 3);
}

void addBoxes(QWidget *panel)
{
    place<QPushButton>(panel, {"Send", 24, 64, 49, 21});
    auto *transmit = new QPlainTextEdit(panel);
    transmit->setGeometry(24, 88, 377, 65);
    auto *received = new QPlainTextEdit(panel);
    received->setReadOnly(true);
    received->setGeometry(24, 168, 377, 65);
    addOptions(panel, {"Tx Format", 416, 80, 97, 73},
               {{"String", 8, 16, 65, 15}, {"Decimal", 8, 32, 65, 15}, {"Hex", 8, 48, 41, 15}});
    addOptions(panel, {"Rx Format", 416, 160, 97, 73},
               {{"String", 8, 16, 57, 15}, {"Decimal", 8, 32, 73, 15}, {"Hex", 8, 48, 57, 15}});
    addLine(panel, 120);
    addLine(panel, 200);
}

QLineEdit *addField(QWidget *panel, const char *text, int x, int y, int width)
{
    auto *field = new QLineEdit(QString::fromLatin1(text), panel);
    field->setGeometry(x, y, width, 21);
    return field;
}

QMainWindow *buildWindow()
{
    auto *window = new QMainWindow;
    window->setWindowTitle(QStringLiteral("Vortlane"));
    QMenu *file = window->menuBar()->addMenu(QStringLiteral("File"));
    file->addAction(QStringLiteral("Exit"));
    QMenu *help = window->menuBar()->addMenu(QStringLiteral("Help"));
    help->addAction(QStringLiteral("Manual"));
    help->addAction(QStringLiteral("About"));

    auto *central = new QWidget;
    window->setCentralWidget(central);

    auto *listening = place<QGroupBox>(central, {"Listening Socket", 8, 0, 537, 249});
    place<QLabel>(listening, {"Listening Port", 24, 16, 105, 25});
    addField(listening, "4000", 24, 32, 81)->setMaxLength(5);
    place<QPushButton>(listening, {"Listen", 112, 32, 49, 21});
    place<QPushButton>(listening, {"Close", 168, 32, 53, 21});
    addOptions(listening, {"Type", 416, 16, 97, 57}, {{"TCP", 8, 16, 49, 15}, {"UDP", 8, 32, 49, 15}});
    addBoxes(listening);

    auto *outgoing = place<QGroupBox>(central, {"Outgoing Socket", 8, 256, 537, 249});
    place<QLabel>(outgoing, {"Remote Host", 24, 16, 105, 25});
    place<QLabel>(outgoing, {"Remote Port", 152, 16, 105, 17});
    addField(outgoing, "127.0.0.1", 24, 32, 121)->setMaxLength(100);
    addField(outgoing, "4000", 152, 32, 81)->setMaxLength(5);
    place<QPushButton>(outgoing, {"Connect", 240, 32, 57, 21});
    place<QPushButton>(outgoing, {"Disconnect", 304, 32, 65, 21});
    addOptions(outgoing, {"Type", 416, 16, 97, 57}, {{"TCP", 8, 16, 49, 15}, {"UDP", 8, 32, 49, 15}});
    addBoxes(outgoing);

    auto *status =
        addField(central, "Listening Socket -> Not Listening.     Outgoing Socket -> Not Connected.", 8, 512, 537);
    status->setFixedHeight(25);
    status->setReadOnly(true);

    central->setFixedSize(554, 543);
    window->setFixedSize(554, 543 + window->menuBar()->sizeHint().height());
    return window;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow *window = buildWindow();
    FirstPaint firstPaint(window);
    application.installEventFilter(&firstPaint);
    window->show();
    return application.exec();
}
