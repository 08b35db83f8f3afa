// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/ReceivedDataView.h"
#include "support/SampleTexts.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QMenu>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

namespace {

// The received box's size in the window.
constexpr QSize boxSize(377, 65);
constexpr int margin = 4;

// A Hex rendering as the window shows one: two digits and a space per byte.
QString hexText(qsizetype bytes, quint32 seed = 1)
{
    QRandomGenerator random(seed);
    QString text;
    text.reserve(3 * bytes);
    for (qsizetype i = 0; i < bytes; ++i)
        text += QString::asprintf("%02X ", random.bounded(256));
    return text;
}

// Where the boundary before character index sits, in viewport coordinates:
// the view sums single-character advances, and so does this.
QPoint boundaryPoint(const ReceivedDataView &view, const QString &text, qsizetype index)
{
    const QFontMetricsF metrics(view.font());
    const qsizetype lineStart = text.lastIndexOf(u'\n', index - 1) + 1;
    const int line = int(text.left(lineStart).count(u'\n'));
    qreal x = margin;
    for (qsizetype i = lineStart; i < index; ++i)
        x += metrics.horizontalAdvance(text.at(i));
    const qreal y = margin + (line + 0.5) * metrics.lineSpacing();
    return QPoint(qRound(x), int(y));
}

void dragAcross(QWidget *viewport, const QPoint &from, const QPoint &to)
{
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
}

struct ShownView
{
    ShownView()
    {
        view.resize(boxSize);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
    ReceivedDataView view;
};

} // namespace

class tst_ReceivedDataView : public QObject
{
    Q_OBJECT

private slots:
    void shouldGiveBackExactlyTheTextSet_data();
    void shouldGiveBackExactlyTheTextSet();
    void shouldTakeTextThroughItsProperty();
    void shouldCopyAllOfAWrappedTextWithoutAddingBreaks_data();
    void shouldCopyAllOfAWrappedTextWithoutAddingBreaks();
    void shouldCopyFromTheContextMenu();
    void shouldCopyWhatTheMouseSelects_data();
    void shouldCopyWhatTheMouseSelects();
    void shouldSelectAWordByDoubleClick();
    void shouldGrowTheScrollRangeWithTheText_data();
    void shouldGrowTheScrollRangeWithTheText();
    void shouldKeepTheScrollPositionWhenTextIsSet_data();
    void shouldKeepTheScrollPositionWhenTextIsSet();
    void shouldScrollWithKeysAndWheel();
    void shouldReachTheEndOfAHugeText_data();
    void shouldReachTheEndOfAHugeText();
    void shouldIgnoreWhatIsTyped_data();
    void shouldIgnoreWhatIsTyped();
    void shouldTakeFocusByTabAndPassItOn();
    void shouldDrawOnTheBaseColour();
    void shouldForgetTheSelectionWhenTheTextChanges();
};

void tst_ReceivedDataView::shouldGiveBackExactlyTheTextSet_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("one word") << QStringLiteral("Hello");
    QTest::newRow("line breaks") << QStringLiteral("Hello\nworld\n");
    QTest::newRow("only line breaks") << QStringLiteral("\n\n\n");
    QTest::newRow("control pictures") << QStringLiteral(u"\u2400\u2401\u240D\u240A\n\u2421\u2880\u289F\u237D\u2027");
    QTest::newRow("Latin-1 upper half") << QStringLiteral(u"\u00A1\u00BF\u00C0\u00FF");
    QTest::newRow("leading and trailing spaces") << QStringLiteral("   spaced   ");
    QTest::newRow("surrogate pair") << QStringLiteral(u"a\U0001F600b");
    QTest::newRow("3 Mi characters of Hex") << hexText(1024 * 1024);
    QTest::newRow("one token of 200000 characters") << QString(200000, u'7');
}

void tst_ReceivedDataView::shouldGiveBackExactlyTheTextSet()
{
    QFETCH(QString, text);
    ShownView shown;
    shown.view.setPlainText(QStringLiteral("before"));
    shown.view.setPlainText(text);
    QCOMPARE(shown.view.toPlainText(), text);
    // Laying it out and drawing it change nothing either.
    QVERIFY(QTest::qWaitForWindowExposed(&shown.view));
    shown.view.viewport()->repaint();
    QCOMPARE(shown.view.toPlainText(), text);
}

void tst_ReceivedDataView::shouldTakeTextThroughItsProperty()
{
    ReceivedDataView view;
    const QString text = QStringLiteral("41 42 \n43");
    QVERIFY(view.setProperty("plainText", text));
    QCOMPARE(view.property("plainText").toString(), text);
    QCOMPARE(view.toPlainText(), text);
    view.setPlainText(QStringLiteral("next"));
    QCOMPARE(view.property("plainText").toString(), QStringLiteral("next"));
}

void tst_ReceivedDataView::shouldCopyAllOfAWrappedTextWithoutAddingBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("Hex of 2000 bytes") << hexText(2000);
    QTest::newRow("one token wider than the box") << QString(3000, u'W');
    QTest::newRow("wrapped lines among line breaks") << hexText(300) + u'\n' + hexText(300, 2) + u'\n';
    QTest::newRow("control pictures") << QString(500, QChar(0x2400)) + QString(500, QChar(0x2880));
}

void tst_ReceivedDataView::shouldCopyAllOfAWrappedTextWithoutAddingBreaks()
{
    QFETCH(QString, text);
    ShownView shown;
    shown.view.setPlainText(text);
    // The text does wrap: there is more of it than the box shows.
    QTRY_VERIFY(shown.view.verticalScrollBar()->maximum() > 0);
    QGuiApplication::clipboard()->clear();
    shown.view.setFocus();
    QTest::keyClick(&shown.view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&shown.view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
}

void tst_ReceivedDataView::shouldCopyFromTheContextMenu()
{
    ShownView shown;
    const QString text = hexText(700);
    shown.view.setPlainText(text);
    shown.view.selectAll();
    QGuiApplication::clipboard()->clear();
    const QPoint at = shown.view.viewport()->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, shown.view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(shown.view.viewport(), &request);
    QMenu *menu = nullptr;
    QTRY_VERIFY((menu = shown.view.findChild<QMenu *>()) != nullptr);
    auto *copy = menu->findChild<QAction *>(QStringLiteral("copy"));
    QVERIFY(copy);
    QVERIFY(copy->isEnabled());
    copy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
    menu->close();
}

void tst_ReceivedDataView::shouldCopyWhatTheMouseSelects_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("a word inside a line") << QStringLiteral("alpha beta gamma") << 6 << 10;
    QTest::newRow("dragged right to left") << QStringLiteral("alpha beta gamma") << 10 << 6;
    QTest::newRow("from the start") << QStringLiteral("41 42 43 44 ") << 0 << 5;
    QTest::newRow("across a line break") << QStringLiteral("first line\nsecond line") << 6 << 17;
    QTest::newRow("control pictures") << QStringLiteral(u"ab\u2400\u240Dcd") << 1 << 4;
}

void tst_ReceivedDataView::shouldCopyWhatTheMouseSelects()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(int, to);
    ShownView shown;
    shown.view.setPlainText(text);
    QGuiApplication::clipboard()->clear();
    dragAcross(shown.view.viewport(), boundaryPoint(shown.view, text, from), boundaryPoint(shown.view, text, to));
    const QString expected = text.mid(std::min(from, to), std::abs(to - from));
    QCOMPARE(shown.view.selectedText(), expected);
    QTest::keyClick(&shown.view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void tst_ReceivedDataView::shouldSelectAWordByDoubleClick()
{
    ShownView shown;
    const QString text = QStringLiteral("0A FF 7C");
    shown.view.setPlainText(text);
    QTest::mouseDClick(shown.view.viewport(), Qt::LeftButton, {}, boundaryPoint(shown.view, text, 4));
    QCOMPARE(shown.view.selectedText(), QStringLiteral("FF"));
}

void tst_ReceivedDataView::shouldGrowTheScrollRangeWithTheText_data()
{
    QTest::addColumn<QString>("shorter");
    QTest::addColumn<QString>("longer");
    QTest::newRow("Hex") << hexText(500) << hexText(5000);
    QTest::newRow("one token") << QString(2000, u'x') << QString(20000, u'x');
    QTest::newRow("lines") << numberedLines(50) << numberedLines(500);
}

void tst_ReceivedDataView::shouldGrowTheScrollRangeWithTheText()
{
    QFETCH(QString, shorter);
    QFETCH(QString, longer);
    ShownView shown;
    QScrollBar *bar = shown.view.verticalScrollBar();
    shown.view.setPlainText(QStringLiteral("short"));
    QTRY_COMPARE(bar->maximum(), 0);
    shown.view.setPlainText(shorter);
    QTRY_VERIFY(bar->maximum() > 0);
    const int shorterRange = bar->maximum();
    shown.view.setPlainText(longer);
    QTRY_VERIFY(bar->maximum() > 5 * shorterRange);
}

void tst_ReceivedDataView::shouldKeepTheScrollPositionWhenTextIsSet_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("scrolledTo");
    QTest::addColumn<int>("expected");
    QTest::newRow("same length keeps the position") << numberedLines(100) << numberedLines(100).replace(u'1', u'9') << 40 << 40;
    QTest::newRow("longer text keeps the position") << numberedLines(100) << numberedLines(300) << 40 << 40;
    QTest::newRow("shorter text pulls it into range") << numberedLines(100) << numberedLines(30) << 90 << -1;
    QTest::newRow("empty text goes to the top") << numberedLines(100) << QString() << 60 << 0;
}

void tst_ReceivedDataView::shouldKeepTheScrollPositionWhenTextIsSet()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, scrolledTo);
    QFETCH(int, expected);
    ShownView shown;
    QScrollBar *bar = shown.view.verticalScrollBar();
    shown.view.setPlainText(first);
    QTRY_VERIFY(bar->maximum() >= scrolledTo);
    bar->setValue(scrolledTo);
    shown.view.setPlainText(second);
    const int lines = int(second.count(u'\n')) + 1;
    QTRY_COMPARE(bar->maximum(), std::max(0, lines - bar->pageStep()));
    QCOMPARE(bar->value(), expected < 0 ? bar->maximum() : expected);
}

void tst_ReceivedDataView::shouldScrollWithKeysAndWheel()
{
    ShownView shown;
    QScrollBar *bar = shown.view.verticalScrollBar();
    shown.view.setPlainText(hexText(20000));
    QTRY_VERIFY(bar->maximum() > 100);
    shown.view.setFocus();

    QTest::keyClick(&shown.view, Qt::Key_Down);
    QCOMPARE(bar->value(), 1);
    QTest::keyClick(&shown.view, Qt::Key_PageDown);
    QCOMPARE(bar->value(), 1 + bar->pageStep());
    QTest::keyClick(&shown.view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(bar->value(), bar->maximum());
    QTest::keyClick(&shown.view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(bar->value(), 0);

    const QPoint at = shown.view.viewport()->rect().center();
    QWheelEvent wheel(at, shown.view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(shown.view.viewport(), &wheel);
    QVERIFY(bar->value() > 0);
}

void tst_ReceivedDataView::shouldReachTheEndOfAHugeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("1 MiB in Hex") << hexText(1024 * 1024);
    QTest::newRow("lines of different lengths") << [] {
        QString text;
        for (int i = 0; i < 20000; ++i)
            text += QString(i % 97, QChar(u'a' + i % 26)) + u'\n';
        return text + QStringLiteral("the end");
    }();
}

void tst_ReceivedDataView::shouldReachTheEndOfAHugeText()
{
    QFETCH(QString, text);
    ShownView shown;
    QScrollBar *bar = shown.view.verticalScrollBar();
    shown.view.setPlainText(text);
    QTRY_VERIFY(bar->maximum() > 10000);
    shown.view.setFocus();
    QTest::keyClick(&shown.view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(bar->value(), bar->maximum());
    // Dragging along the bottom of the view selects the text's last line.
    QWidget *viewport = shown.view.viewport();
    dragAcross(viewport, QPoint(viewport->width() - 1, viewport->height() - 1), QPoint(0, viewport->height() - 1));
    const QString lastLine = shown.view.selectedText();
    QVERIFY(!lastLine.isEmpty());
    QVERIFY2(text.endsWith(lastLine), qPrintable(lastLine));
    // Nothing was left beyond the range once the whole text is laid out.
    const int end = bar->maximum();
    QTest::keyClick(&shown.view, Qt::Key_Down);
    QCOMPARE(bar->maximum(), end);
    QCOMPARE(bar->value(), end);
}

void tst_ReceivedDataView::shouldIgnoreWhatIsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("a letter") << QStringLiteral("x") << int(Qt::Key_X) << int(Qt::NoModifier);
    QTest::newRow("backspace") << QString() << int(Qt::Key_Backspace) << int(Qt::NoModifier);
    QTest::newRow("delete") << QString() << int(Qt::Key_Delete) << int(Qt::NoModifier);
    QTest::newRow("return") << QString() << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("paste") << QString() << int(Qt::Key_V) << int(Qt::ControlModifier);
    QTest::newRow("cut") << QString() << int(Qt::Key_X) << int(Qt::ControlModifier);
    QTest::newRow("undo") << QString() << int(Qt::Key_Z) << int(Qt::ControlModifier);
}

void tst_ReceivedDataView::shouldIgnoreWhatIsTyped()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    ShownView shown;
    const QString text = QStringLiteral("48 65 6C 6C 6F ");
    shown.view.setPlainText(text);
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    shown.view.setFocus();
    shown.view.selectAll();
    QTest::keyClick(&shown.view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (!typed.isEmpty())
        QTest::keyClicks(&shown.view, typed);
    QCOMPARE(shown.view.toPlainText(), text);
}

void tst_ReceivedDataView::shouldTakeFocusByTabAndPassItOn()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *before = new QLineEdit(&window);
    auto *view = new ReceivedDataView(&window);
    auto *after = new QLineEdit(&window);
    layout->addWidget(before);
    layout->addWidget(view);
    layout->addWidget(after);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    view->setPlainText(QStringLiteral("data"));
    before->setFocus();
    QTRY_VERIFY(before->hasFocus());
    QTest::keyClick(before, Qt::Key_Tab);
    QTRY_VERIFY(view->hasFocus());
    QTest::keyClick(view, Qt::Key_Tab);
    QTRY_VERIFY(after->hasFocus());
    QCOMPARE(view->toPlainText(), QStringLiteral("data"));
}

void tst_ReceivedDataView::shouldDrawOnTheBaseColour()
{
    ShownView shown;
    QPalette palette = shown.view.palette();
    palette.setColor(QPalette::Base, QColor(10, 200, 30));
    palette.setColor(QPalette::Text, QColor(250, 0, 250));
    shown.view.setPalette(palette);
    shown.view.setPlainText(QString(40, u'M'));
    QTRY_VERIFY(shown.view.verticalScrollBar()->maximum() == 0);
    const QImage image = shown.view.viewport()->grab().toImage();
    // An empty corner shows the background, and the text is drawn in its colour.
    QCOMPARE(image.pixelColor(image.width() - 2, image.height() - 2), QColor(10, 200, 30));
    bool textColourSeen = false;
    for (int y = 0; y < image.height() && !textColourSeen; ++y)
        for (int x = 0; x < image.width() && !textColourSeen; ++x)
            textColourSeen = image.pixelColor(x, y) == QColor(250, 0, 250);
    QVERIFY(textColourSeen);
}

void tst_ReceivedDataView::shouldForgetTheSelectionWhenTheTextChanges()
{
    ShownView shown;
    shown.view.setPlainText(QStringLiteral("first arrival"));
    shown.view.selectAll();
    QCOMPARE(shown.view.selectedText(), QStringLiteral("first arrival"));
    // The same text again is no change: the selection stays.
    shown.view.setPlainText(QStringLiteral("first arrival"));
    QCOMPARE(shown.view.selectedText(), QStringLiteral("first arrival"));
    shown.view.setPlainText(QStringLiteral("second"));
    QCOMPARE(shown.view.selectedText(), QString());
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    QTest::keyClick(&shown.view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
}

QTEST_MAIN(tst_ReceivedDataView)
#include "tst_receiveddataview.moc"
