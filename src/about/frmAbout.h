// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmAbout;
}

// The about box: the program's title, version and description. It has no
// owner, so it neither blocks the main window nor closes with it, and it is
// destroyed when it closes; the About action creates it again when asked.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    frmAbout();
    ~frmAbout() override;

private:
    void applyLook();
    void Opening();
    void cmdOK_Click();

    std::unique_ptr<Ui::frmAbout> ui;
};
