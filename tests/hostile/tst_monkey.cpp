// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HeldMemory.h"
#include "Monkey.h"
#include "StatusJudge.h"

#include <QElapsedTimer>
#include <QScopeGuard>

// Thousands of random actions at the window, a user's and peers' mixed:
// nothing may crash, the window stays, and every message the status line
// shows is one the program writes, in that message's colour.
//
// VORTLANE_MONKEY_SEED repeats a run's actions (the peers' timing still
// varies); VORTLANE_MONKEY_ACTIONS sets how many actions a run takes.
class tst_Monkey : public QObject
{
    Q_OBJECT

private slots:
    void shouldSurviveRandomUsersAndPeers();
};

namespace {

quint32 seedFromEnvironment()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariable("VORTLANE_MONKEY_SEED").toUInt(&given);
    return given ? seed : 20240611u;
}

int actionsFromEnvironment()
{
    bool given = false;
    const int actions = qEnvironmentVariableIntValue("VORTLANE_MONKEY_ACTIONS", &given);
    return given && actions > 0 ? actions : 3000;
}

// The last few actions, for the failure message.
class Journal
{
public:
    void note(int number, const QString &action)
    {
        entries << QStringLiteral("  %1: %2").arg(number).arg(action);
        if (entries.size() > 20)
            entries.removeFirst();
    }
    QString recent() const { return entries.join(u'\n'); }

private:
    QStringList entries;
};

// The offscreen platform cannot raise a window or pass on size hints, and
// says so each time the about box or the help viewer comes up; thousands of
// such lines would bury anything worth reading.
QtMessageHandler passOn = nullptr;

void dropRaiseNotices(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(u"This plugin does not support "))
        return;
    passOn(type, context, message);
}

} // namespace

void tst_Monkey::shouldSurviveRandomUsersAndPeers()
{
    const quint32 seed = seedFromEnvironment();
    const int actions = actionsFromEnvironment();
    qInfo("monkey seed %u, %d actions (VORTLANE_MONKEY_SEED=%u repeats them)", seed, actions, seed);

    passOn = qInstallMessageHandler(dropRaiseNotices);
    const auto restore = qScopeGuard([] { qInstallMessageHandler(passOn); });
    WindowDriver w;
    QVERIFY(QTest::qWaitForWindowExposed(w.window));
    Monkey monkey(w, seed);
    monkey.takeOverRemoteHost();
    QVERIFY(monkey.remoteHostIsLoopback());
    const HeldMemory atStart = settledMemory();

    // Every message is judged the moment it is written, against the boxes as
    // they read then: the line always holds the last message judged.
    StatusJudge judge(w);

    Journal journal;
    QElapsedTimer clock;
    clock.start();
    for (int number = 1; number <= actions; ++number) {
        journal.note(number, monkey.act());
        QCoreApplication::processEvents();
        QString wrong;
        if (!w.window || !w.window->isVisible())
            wrong = QStringLiteral("the main window is gone");
        else if (!judge.strange.isEmpty())
            wrong = judge.strange.join(u'\n');
        else if (!monkey.remoteHostIsLoopback())
            wrong = QStringLiteral("the remote host box left loopback");
        if (!wrong.isEmpty())
            QFAIL(QStringLiteral("seed %1, action %2 of %3: %4\nthe last actions:\n%5")
                      .arg(seed)
                      .arg(number)
                      .arg(actions)
                      .arg(wrong, journal.recent())
                      .toUtf8()
                      .constData());
    }
    monkey.closeItsWindows();
    const HeldMemory atEnd = settledMemory();
    qInfo("%d actions in %.1f s; %d status messages; peers made %d connections, sent %d datagrams and %lld bytes; "
          "memory held %.1f -> %.1f MiB",
          actions, clock.elapsed() / 1000.0, judge.messages, monkey.peers().connectionsMade,
          monkey.peers().datagramsSent, monkey.peers().bytesSent, atStart.heldBytes / 1048576.0,
          atEnd.heldBytes / 1048576.0);
    QVERIFY2(judge.namelessPeers.isEmpty(),
             qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(judge.namelessPeers.join(u'\n'))));
}

QTEST_MAIN(tst_Monkey)
#include "tst_monkey.moc"
