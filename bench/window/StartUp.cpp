// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "StartUp.h"

#include "Probes.h"

#include "app/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr double mib = 1024.0 * 1024.0;

// Ends the child once the turn of the event loop that drew the window's
// first paint is over.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget *window) : window(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            auto *widget = qobject_cast<QWidget *>(watched);
            if (widget && widget->window() == window) {
                seen = true;
                QTimer::singleShot(0, this, [] {
                    std::printf("painted %lld %lld\n", static_cast<long long>(MonotonicNs()),
                                static_cast<long long>(ResidentBytes()));
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                });
            }
        }
        return false;
    }

private:
    QWidget *window;
    bool seen = false;
};

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

StartUpFigures MeasureStartUp(int runs)
{
    StartUpFigures figures;
    VirtualDisplay display;
    figures.display = display.running() ? QStringLiteral("Xvfb") : QStringLiteral("offscreen");
    const QProcessEnvironment environment = childEnvironment(display);

    for (int run = 0; run < runs; ++run) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const qint64 startNs = MonotonicNs();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--startup")});
        if (!child.waitForFinished(20000)) {
            child.kill();
            child.waitForFinished(1000);
            continue;
        }
        const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
        if (words.size() != 3 || words.first() != "painted")
            continue;
        figures.msToPainted << double(words.at(1).toLongLong() - startNs) / 1e6;
        figures.residentMiB = std::max(figures.residentMiB, words.at(2).toLongLong() / mib);
    }
    if (!figures.msToPainted.isEmpty()) {
        QList<double> sorted = figures.msToPainted;
        std::sort(sorted.begin(), sorted.end());
        figures.medianMs = sorted.at(sorted.size() / 2);
    }

    // The program itself, started as a user starts it: its memory once it
    // has settled.
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vortlane"));
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
