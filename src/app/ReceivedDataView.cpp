// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReceivedDataView.h"
#include "ReceivedDataAccessible.h"

#include "formats/ReceivedRendering.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The same room around the text as a text editor box leaves.
constexpr int margin = 4;

// Laid out and drawn at most this often, whatever the arrival rate.
constexpr int frameMilliseconds = 16;

// Laid out while the window is idle, this many characters a turn: about a
// millisecond's work.
constexpr qsizetype layoutSlice = 512 * 1024;

// A screen reader is told of a new text at most this often: during a flood
// it hears of every few arrivals instead of falling ever further behind, and
// always of the last.
constexpr int announceMilliseconds = 250;

// Font measures come in pixels; the view sums them in 1/64 pixel.
constexpr int unitsPerPixel = 64;

int toUnits(qreal pixels)
{
    return qRound(pixels * unitsPerPixel);
}

qreal toPixels(qint64 units)
{
    return qreal(units) / unitsPerPixel;
}

} // namespace

ReceivedDataView::ReceivedDataView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Long lines wrap at the box's width, so there is never anything to the side.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    static const bool accessible = (QAccessible::installFactory(&ReceivedDataAccessible::create), true);
    Q_UNUSED(accessible);
}

ReceivedDataView::~ReceivedDataView() = default;

void ReceivedDataView::setPlainText(const QString &text)
{
    // A flood often repeats itself: the same text needs neither layout nor
    // paint, and a selection the user is making on it stays.
    if (!pending.waiting && text == renderedText)
        return;
    pending = {};
    renderedText = text;
    replaced();
}

void ReceivedDataView::showArrival(const QByteArray &data, qint64 bytesTotal, DataFormat format)
{
    if (!pending.waiting && format == renderedFrom.format && bytesTotal == renderedFrom.bytesTotal
        && data == renderedFrom.data)
        return;
    pending = {data, bytesTotal, format, true};
    replaced();
}

const QString &ReceivedDataView::shownText() const
{
    if (pending.waiting) {
        renderedText = RenderReceivedData(pending.data, pending.bytesTotal, pending.format);
        renderedFrom = std::exchange(pending, {});
        renderedFrom.waiting = false;
    }
    return renderedText;
}

void ReceivedDataView::replaced()
{
    if (!pending.waiting)
        renderedFrom = {};
    anchor = 0;
    cursor = 0;
    dragging = false;
    invalidateLayout();
    if (QAccessible::isActive() && !announceTimer.isActive()) {
        const qint64 wait = sinceAnnounced.isValid() ? announceMilliseconds - sinceAnnounced.elapsed() : 0;
        if (wait <= 0)
            announceText();
        else
            announceTimer.start(int(wait), this);
    }
}

void ReceivedDataView::announceText()
{
    sinceAnnounced.start();
    if (announcedText == shownText())
        return;
    QAccessibleTextUpdateEvent event(this, 0, announcedText, shownText());
    event.setCursorPosition(int(cursor));
    QAccessible::updateAccessibility(&event);
    announcedText = shownText();
}

QString ReceivedDataView::selectedText() const
{
    return shownText().mid(selectionStart(), selectionEnd() - selectionStart());
}

void ReceivedDataView::selectAll()
{
    select(0, shownText().size());
    offerSelection();
}

void ReceivedDataView::copy() const
{
    if (selectionEnd() > selectionStart())
        QGuiApplication::clipboard()->setText(selectedText());
}

void ReceivedDataView::select(qsizetype from, qsizetype to)
{
    anchor = std::clamp<qsizetype>(from, 0, shownText().size());
    cursor = std::clamp<qsizetype>(to, 0, shownText().size());
    viewport()->update();
}

void ReceivedDataView::offerSelection() const
{
    // Where the desktop has a primary selection, a selection made in the box
    // can be pasted with the middle button, as from any text box.
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && selectionEnd() > selectionStart())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

// --- Frames and layout -----------------------------------------------------

void ReceivedDataView::invalidateLayout()
{
    layoutValid = false;
    layoutTimer.stop();
    scheduleFrame();
}

void ReceivedDataView::scheduleFrame()
{
    if (frameTimer.isActive())
        return;
    // The first text after a quiet spell is drawn at once; those that follow
    // it closely wait for the next frame, and only the last of them is drawn.
    const qint64 wait = sinceFrame.isValid() ? frameMilliseconds - sinceFrame.elapsed() : 0;
    frameTimer.start(int(std::clamp<qint64>(wait, 0, frameMilliseconds)), Qt::PreciseTimer, this);
}

void ReceivedDataView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == frameTimer.timerId()) {
        frameTimer.stop();
        sinceFrame.start();
        // The line partly in view at the bottom too.
        ensureLinesThrough(verticalScrollBar()->value() + fullLinesInView() + 1);
        viewport()->update();
    } else if (event->timerId() == announceTimer.timerId()) {
        announceTimer.stop();
        announceText();
    } else if (event->timerId() == layoutTimer.timerId()) {
        // A slice at a time, so the window stays quick to answer whatever
        // the size of the text.
        ensureLayout();
        layOutMore(std::numeric_limits<int>::max(), layoutSlice);
        updateScrollRange();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

int ReceivedDataView::wrapWidth() const
{
    return std::max(1, viewport()->width() - 2 * margin) * unitsPerPixel;
}

int ReceivedDataView::fullLinesInView() const
{
    return std::max(1, (viewport()->height() - margin) / lineHeight);
}

void ReceivedDataView::ensureLayout()
{
    const int width = wrapWidth();
    if (layoutValid && laidOutWidth == width)
        return;
    measureLatin1();
    lineStarts.assign(1, 0);
    // After one huge arrival a flood of small ones should not keep its index.
    if (lineStarts.capacity() > 4096)
        lineStarts.shrink_to_fit();
    progress = {};
    layoutValid = true;
    layoutComplete = false;
    laidOutWidth = width;
}

void ReceivedDataView::ensureLinesThrough(int line)
{
    ensureLayout();
    if (!layoutComplete && lineCount() <= line + 1)
        layOutMore(line, std::numeric_limits<qsizetype>::max());
    // The rest is laid out while the window is idle, so the scroll range
    // soon counts every line.
    if (!layoutComplete && !layoutTimer.isActive())
        layoutTimer.start(0, this);
    updateScrollRange();
}

void ReceivedDataView::measureLatin1()
{
    if (latin1Measured)
        return;
    const QFontMetricsF metrics(font());
    for (int code = 0; code < 256; ++code)
        latin1Advances[size_t(code)] = toUnits(metrics.horizontalAdvance(QChar(code)));
    lineHeight = std::max(1, qCeil(metrics.lineSpacing()));
    ascent = qCeil(metrics.ascent());
    latin1Measured = true;
}

void ReceivedDataView::forgetFontMeasures()
{
    latin1Measured = false;
    otherAdvances.clear();
}

int ReceivedDataView::advance(char32_t character)
{
    if (character < 256)
        return latin1Advances[character];
    // Beyond Latin-1 the text holds only a few symbols for control bytes,
    // so a small table of those met so far is enough. Measured as a string,
    // so a symbol that the font lacks takes the width of the font that
    // draws it.
    const auto known = otherAdvances.constFind(character);
    if (known != otherAdvances.constEnd())
        return *known;
    const int units = toUnits(QFontMetricsF(font()).horizontalAdvance(QString::fromUcs4(&character, 1)));
    otherAdvances.insert(character, units);
    return units;
}

int ReceivedDataView::advanceAt(qsizetype &offset)
{
    const char16_t unit = shownText().at(offset).unicode();
    ++offset;
    if (QChar::isHighSurrogate(unit) && offset < shownText().size()
        && QChar::isLowSurrogate(shownText().at(offset).unicode())) {
        const char32_t character = QChar::surrogateToUcs4(unit, shownText().at(offset).unicode());
        ++offset;
        return advance(character);
    }
    return advance(unit);
}

// Greedy: a line takes characters while they fit, then breaks after its
// last space, or before the character that overflows when it has none.
// Spaces never start a new line; they hang past the edge, where they are not
// seen. Only line starts are kept, and only as far as asked, so a three-
// million-character arrival is drawn after laying out the lines in view.
void ReceivedDataView::layOutMore(int throughLine, qsizetype characterBudget)
{
    if (layoutComplete)
        return;
    const int limit = laidOutWidth;
    const auto *const text = reinterpret_cast<const char16_t *>(shownText().constData());
    const qsizetype size = shownText().size();
    const qsizetype stop = size - progress.next > characterBudget ? progress.next + characterBudget : size;
    const size_t enough = size_t(throughLine) + 2;

    qsizetype start = lineStarts.back();
    qsizetype breakAfter = progress.breakAfter;
    int x = progress.x;
    int xAtBreak = progress.xAtBreak;
    qsizetype i = progress.next;
    while (i < stop && lineStarts.size() < enough) {
        const char16_t unit = text[i];
        qsizetype next = i + 1;
        int width;
        if (unit < 256) {
            if (unit == u'\n') {
                start = next;
                lineStarts.push_back(start);
                x = 0;
                breakAfter = -1;
                i = next;
                continue;
            }
            width = latin1Advances[unit];
            if (unit == u' ') {
                x += width;
                breakAfter = next;
                xAtBreak = x;
                i = next;
                continue;
            }
        } else {
            char32_t character = unit;
            if (QChar::isHighSurrogate(unit) && next < size && QChar::isLowSurrogate(text[next])) {
                character = QChar::surrogateToUcs4(unit, text[next]);
                ++next;
            }
            width = advance(character);
        }
        if (x + width > limit && i > start) {
            if (breakAfter > start) {
                x -= xAtBreak;
                start = breakAfter;
            } else {
                x = 0;
                start = i;
            }
            lineStarts.push_back(start);
            breakAfter = -1;
        }
        x += width;
        i = next;
    }
    progress = {i, breakAfter, x, xAtBreak};
    if (i >= size) {
        layoutComplete = true;
        layoutTimer.stop();
    }
}

int ReceivedDataView::estimatedLineCount() const
{
    if (layoutComplete || progress.next == 0)
        return lineCount();
    // The rest of the text is taken to wrap as the part laid out so far did.
    const double linesPerCharacter = double(lineCount()) / double(progress.next);
    const double rest = double(shownText().size() - progress.next) * linesPerCharacter;
    return int(std::min<double>(lineCount() + std::ceil(rest), std::numeric_limits<int>::max() / 2));
}

void ReceivedDataView::updateScrollRange()
{
    const int fullLines = fullLinesInView();
    QScrollBar *bar = verticalScrollBar();
    // Setting the range only clamps the position: the view stays where the
    // user scrolled it as far as the new text reaches.
    bar->setRange(0, std::max(0, estimatedLineCount() - fullLines));
    bar->setPageStep(fullLines);
}

qsizetype ReceivedDataView::lineEnd(int line) const
{
    if (line + 1 >= lineCount())
        return layoutComplete ? shownText().size() : progress.next;
    const qsizetype next = lineStart(line + 1);
    // A line that ends at a line break ends before it; a wrapped one runs
    // to where the next begins.
    return shownText().at(next - 1) == u'\n' ? next - 1 : next;
}

int ReceivedDataView::lineOf(qsizetype offset)
{
    ensureLayout();
    // Only the lines up to the offset need to be known.
    if (!layoutComplete && progress.next <= offset)
        layOutMore(std::numeric_limits<int>::max() - 2, offset + 1 - progress.next);
    const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
    return int(std::distance(lineStarts.begin(), after)) - 1;
}

QRect ReceivedDataView::characterRect(qsizetype offset)
{
    const int line = lineOf(offset);
    qint64 x = 0;
    for (qsizetype at = lineStart(line); at < offset;)
        x += advanceAt(at);
    qsizetype next = offset;
    const int width = advanceAt(next);
    const int y = margin + (line - verticalScrollBar()->value()) * lineHeight;
    return QRect(margin + qFloor(toPixels(x)), y, qCeil(toPixels(width)), lineHeight);
}

void ReceivedDataView::scrollToOffset(qsizetype offset)
{
    const int line = lineOf(offset);
    updateScrollRange();
    QScrollBar *bar = verticalScrollBar();
    if (line < bar->value())
        bar->setValue(line);
    else if (line >= bar->value() + fullLinesInView())
        bar->setValue(line - fullLinesInView() + 1);
}

// --- Painting ----------------------------------------------------------------

void ReceivedDataView::paintEvent(QPaintEvent *event)
{
    ensureLinesThrough(verticalScrollBar()->value() + fullLinesInView() + 1);
    QPainter painter(viewport());
    // Each run of text is placed where the summed advances put it, so the
    // selection is drawn exactly under the characters it holds.
    QFont drawn = font();
    drawn.setKerning(false);
    painter.setFont(drawn);

    const QRect area = event->rect();
    int y = margin;
    for (int line = verticalScrollBar()->value(); line < lineCount() && y <= area.bottom(); ++line) {
        if (y + lineHeight > area.top())
            drawLine(painter, line, y);
        y += lineHeight;
    }
}

void ReceivedDataView::drawLine(QPainter &painter, int line, int y)
{
    const qsizetype from = lineStart(line);
    qsizetype to = lineEnd(line);
    const qsizetype selectedFrom = std::clamp(selectionStart(), from, to);
    const qsizetype selectedTo = std::clamp(selectionEnd(), from, to);

    // Runs: before the selection, the selection, after it. Spaces hanging
    // past the edge are not drawn.
    const qsizetype cuts[] = {from, selectedFrom, selectedTo, to};
    const qint64 visible = qint64(viewport()->width()) * unitsPerPixel;
    qint64 x = 0;
    for (int run = 0; run < 3; ++run) {
        qsizetype offset = cuts[run];
        const qint64 runX = x;
        while (offset < cuts[run + 1] && x <= visible)
            x += advanceAt(offset);
        const qsizetype runFrom = cuts[run];
        if (offset == runFrom)
            continue;
        const QRectF box(margin + toPixels(runX), y, toPixels(x - runX), lineHeight);
        const bool selected = run == 1;
        if (selected)
            painter.fillRect(box, palette().brush(QPalette::Highlight));
        painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QPointF(box.left(), y + ascent), shownText().mid(runFrom, offset - runFrom));
        if (x > visible)
            return;
    }
    // A selection that runs on past a line break shows that it holds it.
    if (to < shownText().size() && shownText().at(to) == u'\n' && selectionStart() <= to && selectionEnd() > to) {
        const QRectF box(margin + toPixels(x), y, toPixels(latin1Advances[u' ']), lineHeight);
        painter.fillRect(box, palette().brush(QPalette::Highlight));
    }
}

void ReceivedDataView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void ReceivedDataView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    ensureLinesThrough(verticalScrollBar()->value() + fullLinesInView());
}

void ReceivedDataView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        forgetFontMeasures();
        invalidateLayout();
    }
    QAbstractScrollArea::changeEvent(event);
}

void ReceivedDataView::focusInEvent(QFocusEvent *event)
{
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
}

void ReceivedDataView::focusOutEvent(QFocusEvent *event)
{
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}

// --- The user's hand ---------------------------------------------------------

int ReceivedDataView::lineAt(int y)
{
    const int line = std::max(0, verticalScrollBar()->value() + qFloor(qreal(y - margin) / lineHeight));
    ensureLinesThrough(line);
    return std::min(line, lineCount() - 1);
}

qsizetype ReceivedDataView::offsetAt(const QPoint &position)
{
    const int line = lineAt(position.y());
    const qsizetype end = lineEnd(line);
    const qint64 target = qint64(position.x() - margin) * unitsPerPixel;
    qint64 x = 0;
    for (qsizetype offset = lineStart(line); offset < end;) {
        const qsizetype before = offset;
        const int width = advanceAt(offset);
        // The nearer edge of the character wins.
        if (x + width / 2 > target)
            return before;
        x += width;
    }
    return end;
}

void ReceivedDataView::dragTo(const QPoint &position)
{
    // Dragging past the top or bottom edge scrolls on, so a selection can
    // reach beyond what is in view.
    QScrollBar *bar = verticalScrollBar();
    if (position.y() < 0)
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (position.y() > viewport()->height())
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    cursor = offsetAt(position);
    viewport()->update();
}

void ReceivedDataView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const qsizetype offset = offsetAt(event->position().toPoint());
    if (event->modifiers() & Qt::ShiftModifier)
        cursor = offset;
    else
        anchor = cursor = offset;
    dragging = true;
    viewport()->update();
    event->accept();
}

void ReceivedDataView::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    dragTo(event->position().toPoint());
    event->accept();
}

void ReceivedDataView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !dragging) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    dragging = false;
    offerSelection();
    event->accept();
}

void ReceivedDataView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    // A word is a run between spaces and line breaks: in Decimal and Hex
    // that is one byte's value.
    const auto separates = [this](qsizetype at) {
        const QChar character = shownText().at(at);
        return character == u' ' || character == u'\n';
    };
    qsizetype from = offsetAt(event->position().toPoint());
    qsizetype to = from;
    while (from > 0 && !separates(from - 1))
        --from;
    while (to < shownText().size() && !separates(to))
        ++to;
    select(from, to);
    dragging = false;
    offerSelection();
    event->accept();
}

bool ReceivedDataView::event(QEvent *event)
{
    // Copy and Select All belong to the box while it has the focus, even if
    // a window action claims the same keys.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key == QKeySequence::Copy || key == QKeySequence::SelectAll) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void ReceivedDataView::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::SelectAll) {
        selectAll();
        event->accept();
        return;
    }
    if (event == QKeySequence::Copy) {
        copy();
        event->accept();
        return;
    }
    QAbstractSlider::SliderAction action;
    switch (event->key()) {
    case Qt::Key_Up:
        action = QAbstractSlider::SliderSingleStepSub;
        break;
    case Qt::Key_Down:
        action = QAbstractSlider::SliderSingleStepAdd;
        break;
    case Qt::Key_PageUp:
        action = QAbstractSlider::SliderPageStepSub;
        break;
    case Qt::Key_PageDown:
        action = QAbstractSlider::SliderPageStepAdd;
        break;
    case Qt::Key_Home:
        action = QAbstractSlider::SliderToMinimum;
        break;
    case Qt::Key_End:
        action = QAbstractSlider::SliderToMaximum;
        break;
    default:
        // The text is not the user's to change: typing does nothing here.
        event->ignore();
        return;
    }
    // The end is only known once all is laid out.
    if (action == QAbstractSlider::SliderToMaximum)
        ensureLinesThrough(std::numeric_limits<int>::max() - 2);
    else
        ensureLayout();
    verticalScrollBar()->triggerAction(action);
    event->accept();
}

void ReceivedDataView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

QMenu *ReceivedDataView::createContextMenu()
{
    auto *menu = new QMenu(this);
    QAction *copyAction = menu->addAction(tr("&Copy"), this, &ReceivedDataView::copy);
    copyAction->setObjectName(QStringLiteral("copy"));
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(selectionEnd() > selectionStart());
    menu->addSeparator();
    QAction *selectAllAction = menu->addAction(tr("Select All"), this, &ReceivedDataView::selectAll);
    selectAllAction->setObjectName(QStringLiteral("select-all"));
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(!shownText().isEmpty());
    return menu;
}
