#include "DisplayCheck.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler previousHandler = nullptr;

void explainMissingPlatform(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Qt ends with a fatal message when no platform plugin could start, for
    // example when DISPLAY names an X server that is not there.
    if (type == QtFatalMsg && message.contains(QLatin1String("platform plugin"))) {
        std::fprintf(stderr, "vortlane: cannot open a window: no display could be reached (DISPLAY=%s).\n",
                     qEnvironmentVariableIsSet("DISPLAY") ? qgetenv("DISPLAY").constData() : "unset");
        std::_Exit(1);
    }
    // The lines Qt prints on the way to that end say the same at length.
    if (type != QtFatalMsg
        && (message.contains(QLatin1String("could not connect to display"))
            || message.contains(QLatin1String("Could not load the Qt platform plugin"))))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

void ExitUnlessDisplayAvailable()
{
    const bool platformChosen = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    if (!platformChosen && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "vortlane: cannot open a window: no display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n");
        std::exit(1);
    }
    previousHandler = qInstallMessageHandler(explainMissingPlatform);
}
