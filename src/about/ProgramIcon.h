// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QIcon>

// The program's own icon, 32 x 32 pixels in sixteen colours, carried inside
// the executable: the picture of the about box and every window's icon.
QIcon programIcon();
