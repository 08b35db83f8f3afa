// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frmAbout.h"

#include "ProgramIcon.h"
#include "about/ProgramIdentity.h"
#include "ui_frmAbout.h"

#include <QPalette>

namespace {

// The description was measured for a narrow dialog font; a wider face runs
// past the label's foot and the last line is lost, so the text steps down in
// size until all of it shows.
void shrinkToFit(QLabel *label)
{
    QFont font = label->font();
    while (label->heightForWidth(label->width()) > label->height() && font.pointSizeF() > 6) {
        font.setPointSizeF(font.pointSizeF() - 0.25);
        label->setFont(font);
    }
}

} // namespace

frmAbout::frmAbout()
    : ui(std::make_unique<Ui::frmAbout>())
{
    ui->setupUi(this);
    applyLook();
    connect(ui->cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    Opening();
    ui->cmdOK->setFocus();
}

frmAbout::~frmAbout() = default;

void frmAbout::applyLook()
{
    // A dialog rather than a tool window: it still counts as one of the
    // program's windows (the program ends when the last one closes), and as
    // a dialog without a parent the window system treats it as transient for
    // the program as a whole, which keeps it out of the task bar where the
    // window manager allows that.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(382, 214);
    setWindowIcon(programIcon());
    ui->picIcon->setPixmap(programIcon().pixmap(QSize(32, 32)));

    shrinkToFit(ui->lblDescription);

    // The separator is engraved in the palette's own shades, a dark groove
    // over a light ridge, as the style draws a sunken line: on a light face
    // and on a dark desktop alike it reads as a groove in the dialog's face,
    // and the texts keep the palette's text colour on it.
    const std::pair<QFrame *, QPalette::ColorRole> lines[] = {{ui->Line1_1, QPalette::Dark},
                                                              {ui->Line1_0, QPalette::Light}};
    for (const auto &[line, shade] : lines) {
        line->setBackgroundRole(shade);
        line->setAutoFillBackground(true);
    }
}

// Runs each time the box is created, before it is first shown: the texts
// stored in the form are placeholders, replaced here by the program's own.
void frmAbout::Opening()
{
    using namespace ProgramIdentity;
    setWindowTitle(QStringLiteral("About ") + Title);
    ui->lblVersion->setText(QStringLiteral("Version %1.%2.%3").arg(Major).arg(Minor).arg(Revision));
    ui->lblTitle->setText(Title);
}

void frmAbout::cmdOK_Click()
{
    close();
}
