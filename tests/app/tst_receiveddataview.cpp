// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/ReceivedDataView.h"
#include "app/TransmitDataEdit.h"
#include "support/SampleTexts.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBoundaryFinder>
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
    QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
}

// A box's text interface, as a screen reader finds it: both boxes have one.
QAccessibleTextInterface *textOf(QWidget *box)
{
    return QAccessible::queryAccessibleInterface(box)->textInterface();
}

// Where the character at offset stands, in the viewport's coordinates.
QRect characterInViewport(QAbstractScrollArea *box, int offset)
{
    return textOf(box)->characterRect(offset).translated(-box->viewport()->mapToGlobal(QPoint(0, 0)));
}

// The desktop's own text box, with the same font, size and text as a box of
// ours, to compare with.
struct TextBoxBeside
{
    TextBoxBeside(const QAbstractScrollArea &like, const QString &text)
    {
        edit.setFont(like.font());
        edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit.resize(like.size());
        edit.setPlainText(text);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
    }
    // The edges of the glyphs of the whole character at offset; next is the
    // offset after it.
    std::pair<int, int> edges(int offset, int *next)
    {
        const QTextBlock block = edit.document()->findBlock(offset);
        const QTextLayout *layout = block.layout();
        const QTextLine line = layout->lineForTextPosition(offset - block.position());
        QTextCursor cursor(edit.document());
        cursor.setPosition(offset);
        const qreal origin = edit.cursorRect(cursor).x() - line.cursorToX(offset - block.position());
        cursor.movePosition(QTextCursor::NextCharacter);
        *next = cursor.position();
        qreal left = std::numeric_limits<qreal>::max();
        qreal right = std::numeric_limits<qreal>::lowest();
        for (const QGlyphRun &run : layout->glyphRuns(offset - block.position(), *next - offset)) {
            const QList<QPointF> positions = run.positions();
            const QList<QPointF> advances = run.rawFont().advancesForGlyphIndexes(run.glyphIndexes());
            for (qsizetype glyph = 0; glyph < positions.size(); ++glyph) {
                left = std::min(left, positions[glyph].x());
                right = std::max(right, positions[glyph].x() + advances[glyph].x());
            }
        }
        // A tab's glyph is stretched to the stop: the caret positions know how far.
        if (edit.document()->characterAt(offset).isSpace()) {
            const qreal here = line.cursorToX(offset - block.position());
            const qreal there = line.cursorToX(*next - block.position());
            left = std::min(here, there);
            right = std::max(here, there);
        }
        return {qRound(origin + left), qRound(origin + right)};
    }
    // A point a quarter into the character at offset, clear of the middle
    // where either side of it is as near.
    QPoint pointInto(int offset)
    {
        int next = 0;
        const auto [left, right] = edges(offset, &next);
        QTextCursor cursor(edit.document());
        cursor.setPosition(offset);
        return QPoint(left + (right - left) / 4, edit.cursorRect(cursor).center().y());
    }
    QString selectedText() const { return edit.textCursor().selectedText().replace(QChar::ParagraphSeparator, u'\n'); }
    QPlainTextEdit edit;
};

// A double click at a point, and then: "drag" on to another, "triple" a
// third click, or nothing more.
void clickAndDrag(QWidget *viewport, const QString &gesture, const QPoint &at, const QPoint &to)
{
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    if (gesture == QLatin1String("drag")) {
        QTest::mouseMove(viewport, to);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
        return;
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    if (gesture == QLatin1String("triple"))
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
}

// Whether two pixels differ more than the faint edge of a glyph that a
// glyph beside it overlaps, which clipping to the highlight may drop.
bool differ(QRgb one, QRgb other)
{
    const auto apart = [](int a, int b) { return std::abs(a - b) > 32; };
    return apart(qRed(one), qRed(other)) || apart(qGreen(one), qGreen(other)) || apart(qBlue(one), qBlue(other));
}

// Both boxes, made and shown alike, by the name the tables use.
std::unique_ptr<QAbstractScrollArea> shownBox(const QString &kind, const QString &text)
{
    std::unique_ptr<QAbstractScrollArea> box;
    if (kind == QLatin1String("transmit"))
        box = std::make_unique<TransmitDataEdit>();
    else
        box = std::make_unique<ReceivedDataView>();
    box->resize(boxSize);
    box->setProperty("plainText", text);
    box->show();
    if (!QTest::qWaitForWindowExposed(box.get()))
        return nullptr;
    return box;
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
    void shouldPlaceCharactersAsATextBoxDoes_data();
    void shouldPlaceCharactersAsATextBoxDoes();
    void shouldDrawTheTextWhereverTheSelectionStands_data();
    void shouldDrawTheTextWhereverTheSelectionStands();
    void shouldSelectAsATextBoxDoes_data();
    void shouldSelectAsATextBoxDoes();
    void shouldScrollOnWhileASelectionIsHeldPastTheEdge();
    void shouldOfferTheSelectionToDragButRefuseDrops();
    void transmitBoxShouldTakeWhatIsDropped_data();
    void transmitBoxShouldTakeWhatIsDropped();
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
    QTest::newRow("same length keeps the position")
        << numberedLines(100) << numberedLines(100).replace(u'1', u'9') << 40 << 40;
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

void tst_ReceivedDataView::shouldPlaceCharactersAsATextBoxDoes_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("Hebrew among Latin") << QStringLiteral(u"abc \u05E9\u05DC\u05D5\u05DD xyz");
    QTest::newRow("a line that starts with Arabic") << QStringLiteral(u"\u0645\u0631\u062D\u0628\u0627 abc");
    QTest::newRow("Arabic, then Latin") << QStringLiteral(u"ab \u0645\u0631\u062D\u0628\u0627 cd ef");
    QTest::newRow("tabs") << QStringLiteral("a\tb\tc xyz");
    QTest::newRow("a combining accent") << QStringLiteral(u"e\u0301x");
    QTest::newRow("a flag") << QStringLiteral(u"a\U0001F1E9\U0001F1EAb");
}

// Glyphs, bidirectional order and tab stops as the desktop's own text box
// lays them out, compared by where each character stands.
void tst_ReceivedDataView::shouldPlaceCharactersAsATextBoxDoes()
{
    QFETCH(QString, text);
    ShownView shown;
    shown.view.setPlainText(text);
    TextBoxBeside beside(shown.view, text);
    for (int offset = 0, next = 0; offset < text.size(); offset = next) {
        const auto [left, right] = beside.edges(offset, &next);
        const QRect ours = characterInViewport(&shown.view, offset);
        QVERIFY2(std::abs(ours.left() - left) <= 1 && std::abs(ours.left() + ours.width() - right) <= 1,
                 qPrintable(QStringLiteral("character %1: %2 to %3, not %4 to %5")
                                .arg(offset)
                                .arg(ours.left())
                                .arg(ours.left() + ours.width())
                                .arg(left)
                                .arg(right)));
    }
}

void tst_ReceivedDataView::shouldDrawTheTextWhereverTheSelectionStands_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    const QString texts[] = {
        QStringLiteral(u"abc \u05E9\u05DC\u05D5\u05DD xyz"),
        QStringLiteral(u"\u0645\u0631\u062D\u0628\u0627 abc def"),
        QStringLiteral("a\tb\tc xyz"),
        QStringLiteral(u"e\u0301x a\u0308b"),
    };
    const char *names[] = {"Hebrew", "Arabic", "tabs", "combining marks"};
    for (const char *box : {"received", "transmit"}) {
        for (int i = 0; i < 4; ++i)
            QTest::addRow("%s box, %s", box, names[i]) << QString::fromLatin1(box) << texts[i];
    }
}

// Outside the highlight, every pixel stays as it is wherever a one-character
// selection or the caret stands.
void tst_ReceivedDataView::shouldDrawTheTextWhereverTheSelectionStands()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    const auto shown = shownBox(box, text);
    QVERIFY(shown);
    QWidget *viewport = shown->viewport();
    // A caret comes and goes as it blinks: this looks at the text.
    shown->clearFocus();
    QAccessibleTextInterface *textInterface = textOf(shown.get());
    const QImage plain = viewport->grab().toImage();
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype offset = 0; offset < text.size();) {
        const qsizetype next = characters.toNextBoundary();
        const QRect highlight = characterInViewport(shown.get(), int(offset)).adjusted(-2, 0, 2, 0);
        for (const qsizetype end : {offset, next}) {
            textInterface->setSelection(0, int(offset), int(end));
            const QImage drawn = viewport->grab().toImage();
            int changed = 0;
            for (int y = 0; y < drawn.height(); ++y)
                for (int x = 0; x < drawn.width(); ++x)
                    changed += !highlight.contains(x, y) && differ(drawn.pixel(x, y), plain.pixel(x, y));
            QVERIFY2(
                changed == 0,
                qPrintable(QStringLiteral("%1 pixels changed with %2..%3 selected").arg(changed).arg(offset).arg(end)));
        }
        offset = next;
    }
}

void tst_ReceivedDataView::shouldSelectAsATextBoxDoes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("to");
    QTest::newRow("double click: a Hex byte") << QStringLiteral("0A FF 7C") << "double" << 4 << 0;
    QTest::newRow("double click: punctuation ends a word") << QStringLiteral("foo.bar baz") << "double" << 1 << 0;
    QTest::newRow("double click: on punctuation") << QStringLiteral("foo.bar baz") << "double" << 3 << 0;
    QTest::newRow("triple click: the line") << QStringLiteral("first line\nsecond line\nthird") << "triple" << 14 << 0;
    QTest::newRow("triple click: the last line") << QStringLiteral("first\nlast one") << "triple" << 8 << 0;
    QTest::newRow("double click, drag on: by words") << QStringLiteral("alpha beta gamma delta") << "drag" << 1 << 13;
    QTest::newRow("double click, drag back: by words") << QStringLiteral("alpha beta gamma delta") << "drag" << 13 << 1;
}

void tst_ReceivedDataView::shouldSelectAsATextBoxDoes()
{
    QFETCH(QString, text);
    QFETCH(QString, gesture);
    QFETCH(int, at);
    QFETCH(int, to);
    ShownView shown;
    shown.view.setPlainText(text);
    TextBoxBeside beside(shown.view, text);
    const auto pointInto = [&shown](int offset) {
        const QRect character = characterInViewport(&shown.view, offset);
        return QPoint(character.left() + character.width() / 4, character.center().y());
    };
    clickAndDrag(beside.edit.viewport(), gesture, beside.pointInto(at), beside.pointInto(to));
    clickAndDrag(shown.view.viewport(), gesture, pointInto(at), pointInto(to));
    QVERIFY(!beside.selectedText().isEmpty());
    QCOMPARE(shown.view.selectedText(), beside.selectedText());
}

void tst_ReceivedDataView::shouldScrollOnWhileASelectionIsHeldPastTheEdge()
{
    ShownView shown;
    shown.view.setPlainText(numberedLines(300));
    QWidget *viewport = shown.view.viewport();
    const QPoint below(10, viewport->height() + 5);
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(viewport, below);
    // With the mouse held still, the box goes on scrolling and selecting.
    QTRY_VERIFY(shown.view.verticalScrollBar()->value() >= 5);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
    QVERIFY(shown.view.selectedText().count(u'\n') >= 5);
}

void tst_ReceivedDataView::shouldOfferTheSelectionToDragButRefuseDrops()
{
    ShownView shown;
    shown.view.setPlainText(QStringLiteral("alpha beta gamma"));
    textOf(&shown.view)->setSelection(0, 6, 10);
    const std::unique_ptr<QMimeData> dragged(shown.view.createMimeDataFromSelection());
    QCOMPARE(dragged->text(), QStringLiteral("beta"));
    // Pressed on the selection and moved, the selection is dragged, not replaced.
    QWidget *viewport = shown.view.viewport();
    const QPoint on = characterInViewport(&shown.view, 7).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, on);
    QTest::mouseMove(viewport, on + QPoint(40, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, on + QPoint(40, 0));
    QCOMPARE(shown.view.selectedText(), QStringLiteral("beta"));
    // Pressed on it and let go, the caret goes there.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, on);
    QCOMPARE(shown.view.selectedText(), QString());
    QDragEnterEvent enter(on, Qt::CopyAction, dragged.get(), Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(!enter.isAccepted());
}

void tst_ReceivedDataView::transmitBoxShouldTakeWhatIsDropped_data()
{
    // The text, its selection, where the drop goes, whether the box's own
    // selection is dropped (or "XY" from another program), with Ctrl held.
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("dropAt");
    QTest::addColumn<bool>("own");
    QTest::addColumn<bool>("control");
    QTest::addColumn<QString>("expected");
    QTest::newRow("from another program, at the drop point") << "abcdef" << 0 << 0 << 3 << false << false << "abcXYdef";
    QTest::newRow("a selection dragged on moves") << "abc def ghi" << 0 << 4 << 11 << true << false << "def ghiabc ";
    QTest::newRow("a selection dragged back moves") << "abc def ghi" << 8 << 11 << 4 << true << false << "abc ghidef ";
    QTest::newRow("dropped on itself, nothing moves") << "abc def" << 0 << 3 << 2 << true << false << "abc def";
    QTest::newRow("with Ctrl, copied") << "abc def" << 0 << 3 << 7 << true << true << "abc defabc";
}

void tst_ReceivedDataView::transmitBoxShouldTakeWhatIsDropped()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, dropAt);
    QFETCH(bool, own);
    QFETCH(bool, control);
    QFETCH(QString, expected);
    const auto shown = shownBox(QStringLiteral("transmit"), text);
    QVERIFY(shown);
    auto *box = static_cast<TransmitDataEdit *>(shown.get());
    box->setSelection(from, to);
    std::unique_ptr<QMimeData> data(box->createMimeDataFromSelection());
    if (!own) {
        data = std::make_unique<QMimeData>();
        data->setText(QStringLiteral("XY"));
    }
    const QRect target = characterInViewport(box, dropAt);
    const QPoint point(target.left(), target.center().y());
    const Qt::KeyboardModifiers modifiers = control ? Qt::ControlModifier : Qt::NoModifier;
    QDragEnterEvent enter(point, Qt::CopyAction, data.get(), Qt::LeftButton, modifiers);
    QApplication::sendEvent(box->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(point, Qt::CopyAction, data.get(), Qt::LeftButton, modifiers);
    QApplication::sendEvent(box->viewport(), &move);
    QVERIFY(move.isAccepted());
    QDropEvent drop(point, Qt::CopyAction, data.get(), Qt::LeftButton, modifiers);
    QApplication::sendEvent(box->viewport(), &drop);
    QCOMPARE(box->toPlainText(), expected);
    // One step undoes it.
    box->undo();
    QCOMPARE(box->toPlainText(), text);
}

QTEST_MAIN(tst_ReceivedDataView)
#include "tst_receiveddataview.moc"
