// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/WindowDriver.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QWindow>

namespace {

const QString description = QStringLiteral(
    "Vortlane can be used to create a listening socket on any desired unused local port.  "
    "It can also be used to create an outgoing socket to a desired destination IP and Port number.  "
    "This program is great for debugging network connections where only small amounts of data are passed slowly.");

// What the box shows when it opens: caption, title and version.
const QList<QStringList> shownOnce{
    {QStringLiteral("About Vortlane"), QStringLiteral("Vortlane"), QStringLiteral("Version 1.0.56")}};

QWidgetList aboutBoxes()
{
    return visibleTopLevels(QStringLiteral("frmAbout"));
}

QWidget *chooseAbout(const WindowDriver &w)
{
    w.find<QAction>(QStringLiteral("mnuAbout"))->trigger();
    const QWidgetList boxes = aboutBoxes();
    return boxes.size() == 1 ? boxes.first() : nullptr;
}

template <typename T>
T *control(QWidget *box, const QString &name)
{
    auto *found = box->findChild<T *>(name);
    if (!found)
        qFatal("the about box has no control named %s", qPrintable(name));
    return found;
}

QString labelText(QWidget *box, const QString &name)
{
    return control<QLabel>(box, name)->text();
}

// Notes what the about box showed at the moment it first became visible.
class ShowWatcher : public QObject
{
public:
    QList<QStringList> seen; // caption, title and version of each showing

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWidget *>(watched);
        if (event->type() == QEvent::Show && window && window->isWindow() && window->objectName() == u"frmAbout")
            seen.append({window->windowTitle(), labelText(window, QStringLiteral("lblTitle")),
                         labelText(window, QStringLiteral("lblVersion"))});
        return false;
    }
};

// Counts the requests to end the program's event loop.
class QuitWatcher : public QObject
{
public:
    int quits = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit)
            ++quits;
        return false;
    }
};

} // namespace

class tst_AboutBox : public QObject
{
    Q_OBJECT

private slots:
    void init() { w = std::make_unique<WindowDriver>(); }
    void cleanup();

    void shouldOpenATopLevelBoxWithTheProgramsIdentity();
    void shouldNeverShowTheDesignTexts();
    void shouldPlaceEveryControl_data();
    void shouldPlaceEveryControl();
    void shouldFollowThePalette_data();
    void shouldFollowThePalette();
    void shouldFitEveryTextInItsLabel_data();
    void shouldFitEveryTextInItsLabel();
    void shouldShowTheProgramIcon();
    void shouldBeAFixedDialogWithoutMinimiseOrMaximise();
    void shouldGiveTheOkButtonTheFocus();
    void shouldCloseAndDestroyTheBox_data();
    void shouldCloseAndDestroyTheBox();
    void shouldKeepOneBoxWhenAboutIsChosenAgain();
    void shouldBringTheOpenBoxToTheFront();
    void shouldCreateTheBoxAfreshAfterAClose();
    void shouldOpenANewBoxWhileTheClosedOneAwaitsDeletion();
    void shouldLeaveTheMainWindowUsable();
    void shouldOutliveTheMainWindow();
    void shouldEndTheProgramWhenTheBoxClosesLast();

private:
    std::unique_ptr<WindowDriver> w;
};

void tst_AboutBox::cleanup()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == u"frmAbout")
            window->close();
    QTRY_VERIFY(aboutBoxes().isEmpty());
    w.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void tst_AboutBox::shouldOpenATopLevelBoxWithTheProgramsIdentity()
{
    QVERIFY(aboutBoxes().isEmpty());
    QWidget *box = chooseAbout(*w);
    QVERIFY(box);
    QVERIFY(box->isWindow());
    QCOMPARE(box->parentWidget(), nullptr);
    QVERIFY(!box->windowHandle()->transientParent());
    QCOMPARE(box->windowTitle(), QStringLiteral("About Vortlane"));
    QCOMPARE(labelText(box, QStringLiteral("lblTitle")), QStringLiteral("Vortlane"));
    QCOMPARE(labelText(box, QStringLiteral("lblVersion")), QStringLiteral("Version 1.0.56"));
    QCOMPARE(labelText(box, QStringLiteral("lblDescription")), description);
}

void tst_AboutBox::shouldNeverShowTheDesignTexts()
{
    ShowWatcher watcher;
    qApp->installEventFilter(&watcher);
    QVERIFY(chooseAbout(*w));
    qApp->removeEventFilter(&watcher);
    QCOMPARE(watcher.seen, shownOnce);
}

void tst_AboutBox::shouldPlaceEveryControl_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    const struct
    {
        const char *name;
        int x, y, w, h;
        QString text;
    } table[] = {
        {"picIcon", 16, 16, 36, 36, {}},
        {"lblTitle", 70, 16, 259, 16, QStringLiteral("Vortlane")},
        {"lblVersion", 70, 40, 259, 15, QStringLiteral("Version 1.0.56")},
        {"lblDescription", 70, 64, 259, 78, description},
        {"Line1_1", 6, 163, 371, 1, {}},
        {"Line1_0", 7, 164, 370, 2, {}},
        {"lblDisclaimer", 17, 175, 258, 15, QStringLiteral("Written by the Vortlane developers.")},
        {"Label1", 16, 192, 105, 17, QStringLiteral("vortlane.github.io")},
        {"cmdOK", 283, 175, 84, 23, QStringLiteral("OK")},
    };
    for (const auto &row : table)
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << QRect(row.x, row.y, row.w, row.h) << row.text;
}

void tst_AboutBox::shouldPlaceEveryControl()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QWidget *box = chooseAbout(*w);
    QVERIFY(box);
    auto *placed = control<QWidget>(box, name);
    QCOMPARE(placed->parentWidget(), box);
    QCOMPARE(placed->geometry(), geometry);
    QVERIFY(placed->isVisible());
    if (auto *button = qobject_cast<QPushButton *>(placed))
        QCOMPARE(button->text(), text);
    else if (auto *label = qobject_cast<QLabel *>(placed))
        QCOMPARE(label->text(), text);
}

void tst_AboutBox::shouldFollowThePalette_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("the desktop's own") << QApplication::palette();
    // As a dark desktop hands it over: light text on a dark face.
    QTest::newRow("dark") << QPalette(QColor(53, 53, 53));
}

void tst_AboutBox::shouldFollowThePalette()
{
    QFETCH(QPalette, palette);
    const QPalette before = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
    QApplication::setPalette(palette);
    QWidget *box = chooseAbout(*w);
    QVERIFY(box);
    const QImage drawn = box->grab().toImage();
    const auto colourAt = [&](int x, int y) { return drawn.pixel(x, y); };
    for (int x : {7, 190, 376}) {
        // The separator is engraved in the palette's shades: a dark groove over a light ridge.
        QCOMPARE(colourAt(x, 163), palette.color(QPalette::Dark).rgb());
        QCOMPARE(colourAt(x, 164), palette.color(QPalette::Light).rgb());
        QCOMPARE(colourAt(x, 165), palette.color(QPalette::Light).rgb());
        QCOMPARE(colourAt(x, 161), palette.color(QPalette::Window).rgb());
        QCOMPARE(colourAt(x, 167), palette.color(QPalette::Window).rgb());
    }
    for (const char *name : {"lblTitle", "lblVersion", "lblDescription", "lblDisclaimer", "Label1"})
        QCOMPARE(control<QLabel>(box, QLatin1String(name))->palette().color(QPalette::WindowText),
                 palette.color(QPalette::WindowText));
    QCOMPARE(control<QPushButton>(box, QStringLiteral("cmdOK"))->palette().color(QPalette::Button),
             palette.color(QPalette::Button));
}

void tst_AboutBox::shouldFitEveryTextInItsLabel_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"lblTitle", "lblVersion", "lblDescription", "lblDisclaimer", "Label1"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_AboutBox::shouldFitEveryTextInItsLabel()
{
    QFETCH(QString, name);
    QWidget *box = chooseAbout(*w);
    QVERIFY(box);
    auto *label = control<QLabel>(box, name);
    QVERIFY(!label->text().isEmpty());
    // Nothing may be cut off: the label's text needs no more room than it has.
    const QRect needed = label->fontMetrics().boundingRect(
        QRect(0, 0, label->width(), 10000), int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0),
        label->text());
    QVERIFY2(needed.width() <= label->width(), qPrintable(QString::number(needed.width())));
    QVERIFY2(needed.height() <= label->height(), qPrintable(QString::number(needed.height())));
}

void tst_AboutBox::shouldShowTheProgramIcon()
{
    QWidget *box = chooseAbout(*w);
    QVERIFY(box);
    const QPixmap picture = control<QLabel>(box, QStringLiteral("picIcon"))->pixmap();
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.deviceIndependentSize().toSize(), QSize(32, 32));
    QVERIFY(!box->windowIcon().isNull());
    QCOMPARE(box->windowIcon().pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32),
             picture.toImage().convertToFormat(QImage::Format_ARGB32));
}

void tst_AboutBox::shouldBeAFixedDialogWithoutMinimiseOrMaximise()
{
    QWidget *box = chooseAbout(*w);
    QVERIFY(box);
    QCOMPARE(box->size(), QSize(382, 214));
    QCOMPARE(box->minimumSize(), QSize(382, 214));
    QCOMPARE(box->maximumSize(), QSize(382, 214));
    const Qt::WindowFlags flags = box->windowFlags();
    QCOMPARE(box->windowType(), Qt::Dialog);
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!box->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void tst_AboutBox::shouldGiveTheOkButtonTheFocus()
{
    QWidget *box = chooseAbout(*w);
    QVERIFY(box);
    auto *ok = control<QPushButton>(box, QStringLiteral("cmdOK"));
    QVERIFY(ok->isDefault());
    QVERIFY(QTest::qWaitForWindowActive(box));
    QTRY_COMPARE(QApplication::focusWidget(), ok);
    // The only control that takes the focus, so it is also the first.
    for (QWidget *child : box->findChildren<QWidget *>())
        if (child != ok)
            QVERIFY2(child->focusPolicy() == Qt::NoFocus, qPrintable(child->objectName()));
}

void tst_AboutBox::shouldCloseAndDestroyTheBox_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Enter") << QStringLiteral("Enter");
    QTest::newRow("Enter on the keypad") << QStringLiteral("keypad Enter");
    QTest::newRow("Escape") << QStringLiteral("Escape");
    QTest::newRow("click on OK") << QStringLiteral("click");
    QTest::newRow("title-bar close") << QStringLiteral("title bar");
}

void tst_AboutBox::shouldCloseAndDestroyTheBox()
{
    QFETCH(QString, how);
    QPointer<QWidget> box = chooseAbout(*w);
    QVERIFY(box);
    QVERIFY(QTest::qWaitForWindowActive(box));
    QWindow *window = box->windowHandle();
    if (how == u"Enter")
        QTest::keyClick(window, Qt::Key_Return);
    else if (how == u"keypad Enter")
        QTest::keyClick(window, Qt::Key_Enter, Qt::KeypadModifier);
    else if (how == u"Escape")
        QTest::keyClick(window, Qt::Key_Escape);
    else if (how == u"click")
        QTest::mouseClick(control<QPushButton>(box, QStringLiteral("cmdOK")), Qt::LeftButton);
    else
        window->close();
    QTRY_VERIFY(box.isNull());
    QVERIFY(aboutBoxes().isEmpty());
    // The main window is left as it was.
    QVERIFY(w->window && w->window->isVisible());
}

void tst_AboutBox::shouldKeepOneBoxWhenAboutIsChosenAgain()
{
    QPointer<QWidget> first = chooseAbout(*w);
    QVERIFY(first);
    QWidget *second = chooseAbout(*w);
    QCOMPARE(second, first.data());
    QCOMPARE(aboutBoxes().size(), 1);
    int boxes = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        boxes += window->objectName() == u"frmAbout";
    QCOMPARE(boxes, 1);
}

void tst_AboutBox::shouldBringTheOpenBoxToTheFront()
{
    QWidget *box = chooseAbout(*w);
    QVERIFY(box);
    QVERIFY(QTest::qWaitForWindowActive(box));
    w->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w->window));
    QCOMPARE(chooseAbout(*w), box);
    QVERIFY(QTest::qWaitForWindowActive(box));
    QCOMPARE(QApplication::activeWindow(), box);
}

void tst_AboutBox::shouldCreateTheBoxAfreshAfterAClose()
{
    QPointer<QWidget> first = chooseAbout(*w);
    QVERIFY(first);
    // Marks that would survive if the closed box were merely shown again.
    first->setWindowTitle(QStringLiteral("stale"));
    control<QLabel>(first, QStringLiteral("lblVersion"))->setText(QStringLiteral("stale"));
    control<QLabel>(first, QStringLiteral("lblTitle"))->setText(QStringLiteral("stale"));
    first->setProperty("openedBefore", true);
    QTest::keyClick(first->windowHandle(), Qt::Key_Escape);
    QTRY_VERIFY(first.isNull());

    ShowWatcher watcher;
    qApp->installEventFilter(&watcher);
    QWidget *second = chooseAbout(*w);
    qApp->removeEventFilter(&watcher);
    QVERIFY(second);
    QVERIFY(!second->property("openedBefore").isValid());
    QCOMPARE(watcher.seen, shownOnce);
}

void tst_AboutBox::shouldOpenANewBoxWhileTheClosedOneAwaitsDeletion()
{
    QPointer<QWidget> first = chooseAbout(*w);
    QVERIFY(first);
    control<QPushButton>(first, QStringLiteral("cmdOK"))->click();
    // About again before the event loop has had a chance to delete the closed box.
    QVERIFY(first);
    QPointer<QWidget> second = chooseAbout(*w);
    QVERIFY(second);
    QVERIFY(second != first);
    QTRY_VERIFY(first.isNull());
    QVERIFY(second);
    QVERIFY(second->isVisible());
}

void tst_AboutBox::shouldLeaveTheMainWindowUsable()
{
    QWidget *box = chooseAbout(*w);
    QVERIFY(box);
    QVERIFY(QTest::qWaitForWindowActive(box));
    QVERIFY(!w->window->windowHandle()->isModal());
    w->window->SetStatus(QStringLiteral("before"), StatusColour::blue);
    // A click through the window system, which the application would swallow
    // if the box blocked its owner.
    auto *closeButton = w->find<QWidget>(QStringLiteral("btnCloseLS"));
    QTest::mouseClick(w->window->windowHandle(), Qt::LeftButton, {},
                      closeButton->mapTo(w->window, closeButton->rect().center()));
    QCOMPARE(w->status(), StatusMessages::notListening);
    QCOMPARE(w->statusColour(), black);
    // The status line reports nothing of the box.
    QVERIFY(box->isVisible());
}

void tst_AboutBox::shouldOutliveTheMainWindow()
{
    QPointer<QWidget> box = chooseAbout(*w);
    QVERIFY(box);
    w->window->close();
    QTRY_VERIFY(w->window.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QCOMPARE(labelText(box, QStringLiteral("lblVersion")), QStringLiteral("Version 1.0.56"));
    QTest::mouseClick(control<QPushButton>(box, QStringLiteral("cmdOK")), Qt::LeftButton);
    QTRY_VERIFY(box.isNull());
}

void tst_AboutBox::shouldEndTheProgramWhenTheBoxClosesLast()
{
    QVERIFY(QGuiApplication::quitOnLastWindowClosed());
    QuitWatcher watcher;
    qApp->installEventFilter(&watcher);
    QPointer<QWidget> box;
    bool boxOpenAfterMainClosed = false;
    int quitsBeforeBoxClosed = -1;

    // Both windows close from inside the program's own event loop, the only
    // place where the last window's close ends the program.
    QTimer::singleShot(0, qApp, [&] {
        box = chooseAbout(*w);
        w->window->close();
        QTimer::singleShot(0, qApp, [&] {
            boxOpenAfterMainClosed = box && box->isVisible();
            quitsBeforeBoxClosed = watcher.quits;
            if (box)
                box->close();
        });
    });
    QTimer stuck;
    stuck.setSingleShot(true);
    connect(&stuck, &QTimer::timeout, qApp, [] { QCoreApplication::exit(2); });
    stuck.start(20000);
    const int code = QApplication::exec();
    qApp->removeEventFilter(&watcher);

    QVERIFY2(code != 2, "the program kept running after its last window closed");
    QCOMPARE(code, 0);
    QVERIFY(boxOpenAfterMainClosed);
    QCOMPARE(quitsBeforeBoxClosed, 0);
    QVERIFY(watcher.quits > 0);
}

QTEST_MAIN(tst_AboutBox)
#include "tst_aboutbox.moc"
