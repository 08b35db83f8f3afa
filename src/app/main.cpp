// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "about/ProgramIdentity.h"
#include "app/DisplayCheck.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

// The options QApplication and its platform plugins take out of the command
// line for themselves. The parser runs before the application exists, so it
// has to know them too, or it would turn away `-platform wayland` as unknown.
void addQtOptions(QCommandLineParser &parser, QCommandLineOption::Flags flags)
{
    struct QtOption
    {
        const char *name;
        const char *valueName;
        const char *description;
    };
    static constexpr QtOption qtOptions[] = {
        {"platform", "name[:options]", "Window-system plugin: xcb, wayland, offscreen, ..."},
        {"platformpluginpath", "path", "Folder of the window-system plugins."},
        {"platformtheme", "theme", "Platform theme."},
        {"plugin", "plugin", "Additional plugin to load; may be given more than once."},
        {"style", "style", "Widget style, such as Fusion."},
        {"stylesheet", "file", "Style sheet applied to every widget."},
        {"qwindowgeometry", "geometry", "Main window geometry, as in 554x543+50+50."},
        {"geometry", "geometry", "The same as -qwindowgeometry (X11)."},
        {"qwindowicon", "icon", "Default window icon."},
        {"icon", "icon", "The same as -qwindowicon (X11)."},
        {"qwindowtitle", "title", "Title of the first window."},
        {"title", "title", "The same as -qwindowtitle (X11)."},
        {"reverse", nullptr, "Lay the window out from right to left."},
        {"session", "session", "Restore an earlier session."},
        {"display", "display", "X display to use instead of $DISPLAY (X11)."},
        {"name", "name", "Instance name of the window class (X11)."},
        {"visual", "id", "X11 visual to use (X11)."},
        {"nograb", nullptr, "Never grab the mouse (X11)."},
        {"dograb", nullptr, "Grab the mouse even under a debugger (X11)."},
        {"widgetcount", nullptr, "Count the widgets left at exit."},
        {"testability", nullptr, "Load the testability plugin."},
        {"qmljsdebugger", "options", "QML debugger options."},
    };
    for (const QtOption &qtOption : qtOptions) {
        QCommandLineOption option(QString::fromLatin1(qtOption.name), QString::fromLatin1(qtOption.description));
        if (qtOption.valueName)
            option.setValueName(QString::fromLatin1(qtOption.valueName));
        option.setFlags(flags);
        parser.addOption(option);
    }
}

void describeOptions(QCommandLineParser &parser, QCommandLineOption::Flags qtOptionFlags)
{
    parser.setApplicationDescription(QStringLiteral("%1\n\nAlso takes Qt's own options, such as -platform and -style;\n"
                                                    "--help-all lists them and vortlane(1) explains them.")
                                         .arg(ProgramIdentity::Comments));
    // Qt's own options are written with one dash: -platform, not -p -l -a ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
    addQtOptions(parser, qtOptionFlags);
}

// Answers --help, --version and a wrong command line before anything needs a
// display, and ends the program then. Returns the window-system plugin
// chosen with -platform, if any.
QString handleCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    describeOptions(parser, QCommandLineOption::HiddenFromHelp);
    const bool parsed = parser.parse(arguments);
    const bool informational = parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
                               || parser.isSet(QStringLiteral("version"));
    if (parsed && !informational && parser.positionalArguments().isEmpty())
        return parser.value(QStringLiteral("platform"));

    // Qt's help text names the program as it was called, which it reads from
    // an application object; a core one needs no display.
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(ProgramIdentity::Major)
                                                .arg(ProgramIdentity::Minor)
                                                .arg(ProgramIdentity::Revision));
    QCoreApplication app(argc, argv);
    if (!parsed) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(parser.errorText()));
        std::exit(EXIT_FAILURE);
    }
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(EXIT_SUCCESS);
    if (parser.isSet(QStringLiteral("help-all"))) {
        QCommandLineParser everything;
        describeOptions(everything, {});
        everything.showHelp(EXIT_SUCCESS);
    }
    // The program opens no files: a word on its own is a mistake.
    std::fprintf(stderr, "%s: Unexpected argument '%s'.\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(parser.positionalArguments().constFirst()));
    std::exit(EXIT_FAILURE);
}

} // namespace

int main(int argc, char *argv[])
{
    const QString platform = handleCommandLine(argc, argv);
    exitUnlessDisplayAvailable(platform);
    QApplication app(argc, argv);
    // One name for the menu entry, the Wayland app id and the X11 window
    // class, so a task bar matches the window to the entry's icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral(VORTLANE_APP_ID));
    QCoreApplication::setApplicationName(QStringLiteral(VORTLANE_APP_ID));
    // The window deletes itself when it closes; the program ends with its last window.
    auto *window = new frmMain;
    window->show();
    return app.exec();
}
