// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// Runs the built program itself: what it answers before any window exists is
// only visible from outside.
class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void shouldAnswerWithoutADisplay_data();
    void shouldAnswerWithoutADisplay();
};

void tst_CommandLine::shouldAnswerWithoutADisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("waylandDisplay");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("standardOutput");
    QTest::addColumn<QString>("standardError");

    const QString usage = QStringLiteral("^Usage: \\S*vortlane \\[options\\]\n");
    const QString version = QStringLiteral("^vortlane 1\\.0\\.56\n$");
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << QString() << 0 << usage << QString();
    QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << QString() << 0 << usage << QString();
    QTest::newRow("--help-all names Qt's options") << QStringList{QStringLiteral("--help-all")} << QString() << 0
                                                   << QStringLiteral("\n  --platform <name") << QString();
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << QString() << 0 << version << QString();
    QTest::newRow("-v") << QStringList{QStringLiteral("-v")} << QString() << 0 << version << QString();
    QTest::newRow("Qt's own options pass")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-style=Fusion"),
                       QStringLiteral("-reverse"), QStringLiteral("-v")}
        << QString() << 0 << version << QString();
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << QString() << 1 << QStringLiteral("^$")
                                    << QStringLiteral("^vortlane: Unknown option 'bogus'\\.\n$");
    QTest::newRow("no X server, no Wayland compositor")
        << QStringList() << QStringLiteral("vortlane-test-nowhere-0") << 1 << QStringLiteral("^$")
        << QStringLiteral("^vortlane: cannot open a window: X11: DISPLAY is not set; Wayland: [^\n]+\\.\n$");
}

void tst_CommandLine::shouldAnswerWithoutADisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, waylandDisplay);
    QFETCH(int, exitCode);
    QFETCH(QString, standardOutput);
    QFETCH(QString, standardError);

    // No way to any screen, so whatever the program answers, it answered without one.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        environment.remove(QString::fromLatin1(name));
    // A session's folder for sockets, holding no compositor's.
    QTemporaryDir runtimeDir;
    QVERIFY(runtimeDir.isValid());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
    if (!waylandDisplay.isEmpty())
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), waylandDisplay);

    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vortlane")), arguments);
    QVERIFY2(program.waitForFinished(30000), qPrintable(program.errorString()));
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());

    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    QVERIFY2(QRegularExpression(standardOutput).match(out).hasMatch(), qPrintable(out));
    if (standardError.isEmpty())
        QVERIFY2(err.isEmpty(), qPrintable(err));
    else
        QVERIFY2(QRegularExpression(standardError).match(err).hasMatch(), qPrintable(err));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
