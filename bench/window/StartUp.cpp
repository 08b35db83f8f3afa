// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "StartUp.h"

#include "FirstPaint.h"
#include "Probes.h"

#include "app/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>

namespace {

constexpr double mib = 1024.0 * 1024.0;

// A display of our own: Xvfb on the first free display number.
class VirtualDisplay
{
public:
    VirtualDisplay()
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (program.isEmpty())
            return;
        for (int number = 90; number < 130; ++number) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
                || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            name = QStringLiteral(":%1").arg(number);
            server.start(program, {name, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                   QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
            const qint64 deadline = MonotonicNs() + 5000000000LL;
            while (server.state() != QProcess::NotRunning && !QFile::exists(socket) && MonotonicNs() < deadline)
                server.waitForFinished(10);
            if (QFile::exists(socket))
                return;
            server.kill();
            server.waitForFinished(1000);
            name.clear();
        }
    }
    ~VirtualDisplay()
    {
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            if (!server.waitForFinished(3000)) {
                server.kill();
                server.waitForFinished(1000);
            }
        }
    }
    bool running() const { return !name.isEmpty(); }
    QString name;

private:
    QProcess server;
};

QProcessEnvironment childEnvironment(const VirtualDisplay &display)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (display.running()) {
        environment.insert(QStringLiteral("DISPLAY"), display.name);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    } else {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    return environment;
}

double residentMiBOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

} // namespace

bool IsStartUpChild(int argc, char **argv)
{
    return argc > 1 && std::strcmp(argv[1], "--startup") == 0;
}

int RunStartUpChild(int argc, char **argv)
{
    QApplication application(argc, argv);
    auto *window = new frmMain;
    FirstPaint firstPaint(window);
    application.installEventFilter(&firstPaint);
    window->show();
    return application.exec();
}

namespace {

// Starts one child and returns its milliseconds from start to first paint,
// or a negative number when it did not paint.
double timeToFirstPaint(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment,
                        double &residentMiB)
{
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 startNs = MonotonicNs();
    child.start(program, arguments);
    if (!child.waitForFinished(20000)) {
        child.kill();
        child.waitForFinished(1000);
        return -1;
    }
    const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
    if (words.size() != 3 || words.first() != "painted")
        return -1;
    residentMiB = std::max(residentMiB, words.at(2).toLongLong() / mib);
    return double(words.at(1).toLongLong() - startNs) / 1e6;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

StartUpFigures MeasureStartUp(int runs)
{
    StartUpFigures figures;
    VirtualDisplay display;
    figures.display = display.running() ? QStringLiteral("Xvfb") : QStringLiteral("offscreen");
    const QProcessEnvironment environment = childEnvironment(display);
    const QDir here(QCoreApplication::applicationDirPath());
    struct Contender
    {
        QString program;
        QStringList arguments;
        QList<double> *msToPainted;
        double *residentMiB;
    };
    QList<Contender> contenders{{QCoreApplication::applicationFilePath(),
                                 {QStringLiteral("--startup")},
                                 &figures.msToPainted,
                                 &figures.residentMiB}};
    double bareNetworkResidentMiB = 0;
    const QString bare = here.filePath(QStringLiteral("vortlane_bench_bare"));
    if (QFileInfo(bare).isExecutable())
        contenders.append({bare, {}, &figures.bareMsToPainted, &figures.bareResidentMiB});
    const QString bareNetwork = here.filePath(QStringLiteral("vortlane_bench_bare_network"));
    if (QFileInfo(bareNetwork).isExecutable())
        contenders.append({bareNetwork, {}, &figures.bareNetworkMsToPainted, &bareNetworkResidentMiB});

    // One start of each, not counted, brings the programs' files into the
    // disk cache: the first start after a build reads them from disk, and
    // only ours would pay for that. Then they take turns, each going first
    // in its turn, so that the machine's load weighs on all alike.
    double unused = 0;
    for (const Contender &contender : contenders)
        timeToFirstPaint(contender.program, contender.arguments, environment, unused);
    for (int run = 0; run < runs; ++run) {
        for (qsizetype turn = 0; turn < contenders.size(); ++turn) {
            const Contender &contender = contenders.at((run + turn) % contenders.size());
            const double ms =
                timeToFirstPaint(contender.program, contender.arguments, environment, *contender.residentMiB);
            if (ms >= 0)
                *contender.msToPainted << ms;
        }
    }
    figures.medianMs = median(figures.msToPainted);
    figures.bareMedianMs = median(figures.bareMsToPainted);
    figures.bareNetworkMedianMs = median(figures.bareNetworkMsToPainted);

    // The program itself, started as a user starts it: its memory once it
    // has settled.
    const QString program = here.filePath(QStringLiteral("vortlane"));
    if (QFileInfo(program).isExecutable()) {
        QProcess vortlane;
        vortlane.setProcessEnvironment(environment);
        vortlane.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        vortlane.start(program, {});
        if (vortlane.waitForStarted(5000)) {
            vortlane.waitForFinished(1000);
            figures.programResidentMiB = residentMiBOf(vortlane.processId());
            vortlane.terminate();
            if (!vortlane.waitForFinished(3000)) {
                vortlane.kill();
                vortlane.waitForFinished(1000);
            }
        }
    }
    return figures;
}
