// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HelpViewer.h"

#include "HelpWindow.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <utility>

namespace {

// One viewer per owner and help file, so a second request finds the window
// the first one opened. The viewer deletes itself when closed, which empties
// its QPointer; entries are then dropped on the next request.
using ViewerKey = std::pair<const QWidget *, QString>;

std::map<ViewerKey, QPointer<HelpWindow>> &openViewers()
{
    static std::map<ViewerKey, QPointer<HelpWindow>> viewers;
    return viewers;
}

} // namespace

bool ShowHelp(QWidget *owner, const QString &helpFile, int command, quintptr data)
{
    // Neither command takes data; the parameter keeps the call's usual shape.
    Q_UNUSED(data);
    if (helpFile.isEmpty())
        return false;

    std::erase_if(openViewers(), [](const auto &entry) { return entry.second.isNull(); });
    const ViewerKey key{owner, helpFile};

    switch (command) {
    case HELP_FINDER: {
        QPointer<HelpWindow> &viewer = openViewers()[key];
        // No parent: the viewer is a window of its own that neither stays on
        // top of the main window nor closes with it.
        if (!viewer)
            viewer = new HelpWindow(helpFile);
        return viewer->openFinder();
    }
    case HELP_QUIT: {
        const auto found = openViewers().find(key);
        if (found == openViewers().end())
            return true;
        const QPointer<HelpWindow> viewer = found->second;
        openViewers().erase(found);
        if (viewer)
            viewer->close();
        return true;
    }
    default:
        return false;
    }
}
