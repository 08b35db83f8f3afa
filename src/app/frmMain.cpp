// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frmMain.h"
#include "StatusMessages.h"

#include "CaptionFit.h"
#include "StatusAnnouncer.h"
#include "TransmitDataEdit.h"
#include "ui_frmMain.h"

#include "about/ProgramIcon.h"
#include "app/help/HelpViewer.h"
#include "socket/ClosingConnections.h"
#include "socket/EventSocket.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPalette>

namespace {

const QString helpFile = QStringLiteral("Vortlane.HLP");

// How long the program may outlive its window to hand bytes still owed to
// peers: the process must be gone within five seconds of the close request,
// and what it still does after giving up takes a few milliseconds.
constexpr int exitGrace = 4500;

// The designer names each option button <group>_<index>; the index is also
// the button's id in its group, so checkedId() is the option index.
void numberOptionButtons(QButtonGroup *group)
{
    for (QAbstractButton *button : group->buttons()) {
        const QString name = button->objectName();
        group->setId(button, name.mid(name.lastIndexOf(u'_') + 1).toInt());
    }
}

// Gives the text colour back to the theme, keeping whatever else the box's
// own palette sets.
void followThemeText(QWidget *widget)
{
    const QPalette own = widget->palette();
    if (!own.isBrushSet(QPalette::Active, QPalette::Text))
        return;
    QPalette kept;
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto colourGroup = QPalette::ColorGroup(group);
            const auto colourRole = QPalette::ColorRole(role);
            if (colourRole != QPalette::Text && own.isBrushSet(colourGroup, colourRole))
                kept.setBrush(colourGroup, colourRole, own.brush(colourGroup, colourRole));
        }
    }
    widget->setPalette(kept);
}

QFont sansSerif(qreal points)
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    return font;
}

} // namespace

frmMain::frmMain()
    : ui(std::make_unique<Ui::frmMain>())
    , ListeningSocket(new EventSocket(this))
    , OutgoingSocket(new EventSocket(this))
{
    // Set before the controls exist, so that they are made with it rather
    // than each told of a change.
    setFont(sansSerif(8));
    ui->setupUi(this);
    ListeningSocket->setObjectName(QStringLiteral("ListeningSocket"));
    OutgoingSocket->setObjectName(QStringLiteral("OutgoingSocket"));
    statusAnnouncer = new StatusAnnouncer(ui->txtStatus);

    // Closing releases the window and both its sockets, even while another
    // top-level window keeps the program running.
    setAttribute(Qt::WA_DeleteOnClose);
    applyLook();

    connectMenu();
    connectListeningPanel();
    connectOutgoingPanel();

    StartUp();
}

frmMain::~frmMain() = default;

void frmMain::applyLook()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(programIcon());
    for (QWidget *widget : {static_cast<QWidget *>(ui->Label1), static_cast<QWidget *>(ui->Label2),
                            static_cast<QWidget *>(ui->Label3), static_cast<QWidget *>(ui->txtStatus)})
        widget->setFont(sansSerif(9.75));

    for (QButtonGroup *group : {ui->optionTransportLS, ui->optionTxtDataFormatLS, ui->optionRxDataFormatLS,
                                ui->optionTransportOS, ui->optionTxtDataFormatOS, ui->optionRxDataFormatOS})
        numberOptionButtons(group);

    // The connector lines take the classic inactive title-bar grey; Qt's
    // palette has no such role.
    for (QFrame *line : {ui->Line1, ui->Line2, ui->Line3, ui->Line4}) {
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window, QColor(128, 128, 128));
        line->setPalette(palette);
        line->setAutoFillBackground(true);
    }

    // Frame titles sit on the frame's edge, as the panels were drawn, rather
    // than above it as some styles place them.
    centralWidget()->setStyleSheet(
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; padding-top: 0px; }"
                       "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                       " left: 6px; top: -1px; padding: 0px 2px; background-color: palette(window); }"));

    // Black, blue and red must stay readable on a dark desktop theme too.
    QPalette status = ui->txtStatus->palette();
    status.setColor(QPalette::Base, Qt::white);
    status.setColor(QPalette::Text, Qt::black);
    ui->txtStatus->setPalette(status);

    // The window is as large as its fixed controls and the menu bar above
    // them, which a new style may make taller: the layout keeps it so. It
    // takes its size now, so the window is made at that size and not
    // resized once it is shown.
    centralWidget()->setFixedSize(554, 543);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();

    // Last, once fonts and the frames' look are set: they decide the room a
    // caption needs and has.
    new CaptionFit(centralWidget());
}

void frmMain::StartUp()
{
    for (QButtonGroup *group : {ui->optionTransportLS, ui->optionTxtDataFormatLS, ui->optionRxDataFormatLS,
                                ui->optionTransportOS, ui->optionTxtDataFormatOS, ui->optionRxDataFormatOS})
        group->button(0)->setChecked(true);
    ui->txtPort->setText(QStringLiteral("4000"));
    ui->txtRemoteIP->setText(ListeningSocket->LocalIP());
    ui->txtRemotePort->setText(QStringLiteral("4000"));
    SetStatus(StatusMessages::startUp, StatusColour::black);
    ui->txtPort->setFocus();
}

void frmMain::SetStatus(const QString &message, StatusColour colour)
{
    setTextColour(ui->txtStatus, colour);
    // A flood from one peer writes the same message for every arrival. The
    // line already shows it: setting it again costs each arrival more than
    // rendering its bytes does, and only throws away a selection the user
    // is making in the line.
    if (ui->txtStatus->text() != message) {
        ui->txtStatus->setText(message);
        // A message wider than the line shows its beginning, which names
        // the panel, rather than its end.
        ui->txtStatus->setCursorPosition(0);
    }
    // A repeated message is news too: another arrival, or the same error again.
    statusAnnouncer->announce(message, colour == StatusColour::red);
}

void frmMain::SetStatusError(const QString &message)
{
    SetStatus(message, StatusColour::red);
}

void frmMain::setTextColour(QWidget *widget, StatusColour colour)
{
    // Black is a box's normal text, and on a dark theme normal text is
    // light: a box on the theme's own background gives its text colour back
    // to the theme. Only a box drawn on a background of our choosing (the
    // status line, on white) is written in black itself.
    if (colour == StatusColour::black && !widget->palette().isBrushSet(QPalette::Active, QPalette::Base)) {
        followThemeText(widget);
        return;
    }
    const QColor wanted = colour.toQColor();
    // Repainting is the cost under a flood of arrivals: touch the palette
    // only when the colour really changes.
    if (widget->palette().color(QPalette::Active, QPalette::Text) == wanted)
        return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, wanted);
    widget->setPalette(palette);
}

void frmMain::connectMenu()
{
    connect(ui->mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(ui->mnuManual, &QAction::triggered, this, &frmMain::mnuManual_Click);
    connect(ui->mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

void frmMain::mnuExit_Click()
{
    ListeningSocket->Close();
    OutgoingSocket->Close();
    close();
}

void frmMain::mnuManual_Click()
{
    ShowHelp(this, helpFile, HELP_FINDER, 0);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    ListeningSocket->Close();
    // The window deletes itself from the event loop, which may already have
    // stopped; the outgoing connection is let go now, so that it too hands
    // its last bytes over before the program ends.
    OutgoingSocket->Close();
    ShowHelp(this, helpFile, HELP_QUIT, 0);
    // The program waits for those bytes, but not for long once its window is gone.
    ClosingConnections::finishWithin(exitGrace);
    event->accept();
}

void frmMain::writeBack(TransmitDataEdit *box, const QString &text)
{
    // Rewriting an unchanged text would only throw away the caret and the undo history.
    if (box->toPlainText() != text)
        box->setPlainText(text);
}
