// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ProgramIcon.h"

// The resource lives in a static library; nothing else refers to it, so the
// linker would drop it unless it is registered by name. Registering must
// happen outside any namespace, hence a file-static function.
static void registerIconResource()
{
    Q_INIT_RESOURCE(vortlane_icons);
}

QIcon programIcon()
{
    static const bool registered = (registerIconResource(), true);
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/vortlane/icons/vortlane-32.png"));
}
