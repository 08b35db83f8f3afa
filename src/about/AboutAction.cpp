// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "about/frmAbout.h"
#include "app/frmMain.h"

#include <QApplication>

namespace {

// The program keeps one about box. A closed box is hidden at once but only
// deleted later, so only a visible one counts as open.
frmAbout *openAboutBox()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<frmAbout *>(window); box && box->isVisible())
            return box;
    return nullptr;
}

} // namespace

void frmMain::mnuAbout_Click()
{
    frmAbout *box = openAboutBox();
    if (!box)
        box = new frmAbout;
    // Brought to the front means brought back from the task bar too.
    box->setWindowState(box->windowState() & ~Qt::WindowMinimized);
    box->show();
    box->raise();
    box->activateWindow();
}
