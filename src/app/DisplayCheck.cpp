// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DisplayCheck.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler previousHandler = nullptr;
QString failedPlugin;

bool waylandPluginInstalled()
{
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    return !platforms.entryList({QStringLiteral("libqwayland*")}, QDir::Files).isEmpty();
}

QString waylandSocket()
{
    const QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (QDir::isAbsolutePath(name))
        return name;
    return QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(name);
}

// Both ways to a screen, and for each the first thing that is not there, so
// the user learns what to install or start rather than that "it failed".
QString whatIsMissing()
{
    if (!failedPlugin.isEmpty() && failedPlugin != QLatin1String("xcb")
        && !failedPlugin.startsWith(QLatin1String("wayland")))
        return QStringLiteral("the window-system plugin \"%1\" could not start").arg(failedPlugin);

    const QString display = qEnvironmentVariable("DISPLAY");
    const QString x11 = display.isEmpty() ? QStringLiteral("DISPLAY is not set")
                                          : QStringLiteral("no X server answers at DISPLAY=%1").arg(display);
    const bool waylandWanted =
        failedPlugin.startsWith(QLatin1String("wayland")) || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    QString wayland;
    if (waylandWanted && !waylandPluginInstalled())
        wayland = QStringLiteral("Qt's Wayland plugin is not installed (package qt6-wayland)");
    else if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        wayland = QStringLiteral("WAYLAND_DISPLAY is not set");
    else if (!QDir::isAbsolutePath(qEnvironmentVariable("WAYLAND_DISPLAY"))
             && qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        wayland = QStringLiteral("XDG_RUNTIME_DIR, the folder of the compositor's socket, is not set");
    else if (!QFileInfo::exists(waylandSocket()))
        wayland = QStringLiteral("no compositor listens at %1").arg(waylandSocket());
    else
        wayland = QStringLiteral("the compositor at %1 could not be used (try -platform wayland)").arg(waylandSocket());
    return QStringLiteral("X11: %1; Wayland: %2").arg(x11, wayland);
}

void explainMissingPlatform(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Qt ends with a fatal message when no platform plugin could start, for
    // example when DISPLAY names an X server that is not there.
    if (type == QtFatalMsg && message.contains(QLatin1String("platform plugin"))) {
        std::fprintf(stderr, "vortlane: cannot open a window: %s.\n", qPrintable(whatIsMissing()));
        std::_Exit(1);
    }
    // The lines Qt prints on the way to that end say the same at length; the
    // one that names the plugin tells which way to the screen was tried.
    static const QRegularExpression pluginName(
        QStringLiteral("Could not (?:load|find) the Qt platform plugin \"([^\"]*)\""));
    if (const QRegularExpressionMatch match = pluginName.match(message); match.hasMatch())
        failedPlugin = match.captured(1);
    if (type != QtFatalMsg
        && (message.contains(QLatin1String("could not connect to display"))
            || message.contains(QLatin1String("Failed to create wl_display")) || pluginName.match(message).hasMatch()))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

void exitUnlessDisplayAvailable(const QString &platformOption)
{
    const bool platformChosen = !platformOption.isEmpty() || qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    if (!platformChosen && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr,
                     "vortlane: cannot open a window: no display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n");
        std::exit(1);
    }
    previousHandler = qInstallMessageHandler(explainMissingPlatform);
}
