// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WrappedTextArea.h"
#include "edit/TextEditModel.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBoundaryFinder>
#include <QTextOption>
#include <QtMath>

#include <limits>

namespace {

// A selection dragged past an edge scrolls on this often.
constexpr int autoScrollMilliseconds = 50;

// QFixed, which the text engine measures in, holds about 33 million pixels.
qreal reachable(qreal x)
{
    return std::clamp<qreal>(x, -1e6, 1e6);
}

} // namespace

WrappedTextArea::WrappedTextArea(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Long lines wrap at the box's width, so there is never anything to the side.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    measureFont();
}

void WrappedTextArea::selectAll()
{
    selectRange(0, shownText().size());
    offerSelection();
}

void WrappedTextArea::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

QMimeData *WrappedTextArea::createMimeDataFromSelection() const
{
    auto *data = new QMimeData;
    data->setText(selectedText());
    handedOut = data;
    return data;
}

void WrappedTextArea::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        measureFont();
        invalidateLayout();
    }
    QAbstractScrollArea::changeEvent(event);
}

int WrappedTextArea::lineAt(int y)
{
    const int line = std::max(0, verticalScrollBar()->value() + qFloor(qreal(y - margin) / lineHeight));
    ensureLinesThrough(line);
    return std::min(line, wrap.lineCount() - 1);
}

std::pair<qsizetype, qsizetype> WrappedTextArea::wordAround(const QString &text, qsizetype offset)
{
    return TextEditModel::wordAround(text, offset);
}

std::pair<qsizetype, qsizetype> WrappedTextArea::paragraphAround(const QString &text, qsizetype offset)
{
    const qsizetype from = offset > 0 ? text.lastIndexOf(u'\n', offset - 1) + 1 : 0;
    const qsizetype lineBreak = text.indexOf(u'\n', offset);
    return {from, lineBreak < 0 ? text.size() : lineBreak + 1};
}

void WrappedTextArea::measureFont()
{
    const QFontMetricsF metrics(font());
    lineHeight = std::max(1, qCeil(metrics.lineSpacing()));
    wrap.setMeasure(LineWrap::fontMeasure(font()));
    // Tabs stand where a text box's default puts them.
    wrap.setTabStop(toUnits(QTextOption().tabStopDistance()));
    shapes.setFont(font());
}

int WrappedTextArea::wrapWidth() const
{
    return std::max(1, viewport()->width() - 2 * margin) * unitsPerPixel;
}

int WrappedTextArea::fullLinesInView() const
{
    return std::max(1, (viewport()->height() - margin) / lineHeight);
}

void WrappedTextArea::updateScrollRange()
{
    const int fullLines = fullLinesInView();
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, std::max(0, wrap.estimatedLineCount() - fullLines));
    bar->setPageStep(fullLines);
}

void WrappedTextArea::scrollToLine(int line)
{
    QScrollBar *bar = verticalScrollBar();
    if (line < bar->value())
        bar->setValue(line);
    else if (line >= bar->value() + fullLinesInView())
        bar->setValue(line - fullLinesInView() + 1);
}

// --- Shapes --------------------------------------------------------------------

const LineShapes::Shape &WrappedTextArea::shapeOf(int line) const
{
    shapes.setWidth(toPixels(wrapWidth()));
    return shapes.shape(wrap, line);
}

qreal WrappedTextArea::caretX(int line, qsizetype offset) const
{
    const LineShapes::Shape &shape = shapeOf(line);
    const int index = int(std::clamp(offset, shape.from, shape.to) - shape.from);
    return margin + shape.layout.lineAt(0).cursorToX(index);
}

qsizetype WrappedTextArea::offsetAtLineX(int line, qreal x, bool wrappedEnd) const
{
    const LineShapes::Shape &shape = shapeOf(line);
    int index = shape.layout.lineAt(0).xToCursor(reachable(x - margin), QTextLine::CursorBetweenCharacters);
    // The very end of a wrapped line is the start of the next one, where a
    // caret put there would be drawn.
    if (!wrappedEnd && wrap.isWrapped(line) && shape.from + index >= wrap.lineEnd(line) && index > 0)
        index = shape.layout.previousCursorPosition(index);
    return shape.from + index;
}

// Where its glyphs stand. A caret position where two runs of opposite
// direction meet is drawn at the end of the first, so the positions either
// side of a character do not always bound it; its glyphs do.
std::pair<qreal, qreal> WrappedTextArea::characterEdges(int line, qsizetype offset) const
{
    const LineShapes::Shape &shape = shapeOf(line);
    const int index = int(std::clamp(offset, shape.from, shape.to) - shape.from);
    const int next = shape.layout.nextCursorPosition(index);
    const QTextLine textLine = shape.layout.lineAt(0);
    const qreal here = textLine.cursorToX(index);
    if (next == index)
        return {margin + here, margin + here + 1};
    // A tab's glyph is a space stretched to the stop: its advance is the
    // stretch, which only the caret positions know.
    qreal left = std::numeric_limits<qreal>::max();
    qreal right = std::numeric_limits<qreal>::lowest();
    if (!shape.layout.text().at(index).isSpace()) {
        for (const QGlyphRun &run : shape.layout.glyphRuns(index, next - index)) {
            const QList<QPointF> positions = run.positions();
            const QList<QPointF> advances = run.rawFont().advancesForGlyphIndexes(run.glyphIndexes());
            for (qsizetype glyph = 0; glyph < positions.size() && glyph < advances.size(); ++glyph) {
                left = std::min(left, positions[glyph].x());
                right = std::max(right, positions[glyph].x() + advances[glyph].x());
            }
        }
    }
    if (left > right) {
        const qreal there = textLine.cursorToX(next);
        left = std::min(here, there);
        right = std::max(here, there);
    }
    return {margin + left, margin + right};
}

void WrappedTextArea::paintEvent(QPaintEvent *event)
{
    const int first = verticalScrollBar()->value();
    // The line partly in view at the bottom too.
    ensureLinesThrough(first + fullLinesInView() + 1);
    QPainter painter(viewport());
    const QRect area = event->rect();
    int y = margin;
    for (int line = first; line < wrap.lineCount() && y <= area.bottom(); ++line) {
        if (y + lineHeight > area.top())
            drawLine(painter, line, y);
        y += lineHeight;
    }
}

void WrappedTextArea::drawTextLine(QPainter &painter, int line, int y, qsizetype caret, bool caretShown,
                                   const QString &preedit, int preeditCursor)
{
    const qsizetype lineFrom = wrap.lineStart(line);
    const qsizetype lineTo = wrap.lineEnd(line);
    const bool composing = caret >= 0 && !preedit.isEmpty();
    std::unique_ptr<LineShapes::Shape> withPreedit;
    if (composing)
        withPreedit = shapes.shapeWithPreedit(wrap, line, caret, preedit);
    const LineShapes::Shape &shape = composing ? *withPreedit : shapeOf(line);
    // Offsets in the text to positions in the shape, past composed text.
    const auto indexOf = [&](qsizetype offset) {
        int index = int(std::clamp(offset, shape.from, shape.to) - shape.from);
        if (composing && offset > caret)
            index += int(preedit.size());
        return index;
    };
    const QTextLine textLine = shape.layout.lineAt(0);

    QList<QTextLayout::FormatRange> selection;
    const qsizetype selectedFrom = std::max(selectionStart(), lineFrom);
    const qsizetype selectedTo = std::min(selectionEnd(), lineTo);
    if (hasSelection() && selectedFrom < selectedTo) {
        QTextLayout::FormatRange selected;
        selected.start = indexOf(selectedFrom);
        selected.length = indexOf(selectedTo) - selected.start;
        selected.format.setBackground(palette().brush(QPalette::Highlight));
        selected.format.setForeground(palette().brush(QPalette::HighlightedText));
        selection.append(selected);
    }
    painter.setPen(palette().color(QPalette::Text));
    shape.layout.draw(&painter, QPointF(margin, y), selection);

    // A selection that runs on past the line break shows that it holds it,
    // a space wide beyond the line's logical end.
    const QString &text = wrap.text();
    if (lineTo < text.size() && text.at(lineTo) == u'\n' && selectionStart() <= lineTo && selectionEnd() > lineTo) {
        const qreal space = QFontMetricsF(font()).horizontalAdvance(u' ');
        const qreal end = margin + textLine.cursorToX(indexOf(lineTo));
        painter.fillRect(QRectF(shape.rightToLeft ? end - space : end, y, space, lineHeight),
                         palette().brush(QPalette::Highlight));
    }

    const auto drawCaret = [&](int index) {
        const qreal x = std::clamp<qreal>(margin + textLine.cursorToX(index), 0, viewport()->width() - 1);
        painter.fillRect(QRectF(x, y, 1, lineHeight), palette().color(QPalette::Text));
    };
    if (caret >= 0 && caretShown)
        drawCaret(composing ? int(caret - shape.from) + preeditCursor : indexOf(caret));
    if (dropOffset >= lineFrom && dropOffset <= lineTo && (dropOffset < lineTo || !wrap.isWrapped(line)))
        drawCaret(indexOf(dropOffset));
}

void WrappedTextArea::offerSelection() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && hasSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void WrappedTextArea::scrollContentsBy(int, int)
{
    viewport()->update();
}

void WrappedTextArea::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    ensureLinesThrough(verticalScrollBar()->value() + fullLinesInView());
}

// --- The mouse ---------------------------------------------------------------------

void WrappedTextArea::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint position = event->position().toPoint();
    // Finding the offset lays the text out as far as it, if it was not.
    const qsizetype offset = offsetAtViewport(position);
    const bool extending = event->modifiers().testFlag(Qt::ShiftModifier);
    if (tripleClickTimer.isActive()
        && (position - tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        tripleClickTimer.stop();
        firstUnit = paragraphAround(shownText(), offset);
        unit = Unit::Paragraph;
        selectRange(firstUnit.first, firstUnit.second);
        dragging = true;
    } else if (!extending && hasSelection() && offset >= selectionStart() && offset <= selectionEnd()) {
        dragPending = true;
        pressPoint = position;
    } else {
        unit = Unit::Character;
        placeCaret(offset, extending);
        dragging = true;
    }
    event->accept();
}

void WrappedTextArea::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || (!dragging && !dragPending)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint position = event->position().toPoint();
    if (dragPending) {
        if ((position - pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
            dragPending = false;
            startDrag();
        }
    } else {
        lastDragPoint = position;
        followDrag();
    }
    event->accept();
}

void WrappedTextArea::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || (!dragging && !dragPending)) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    autoScrollTimer.stop();
    if (dragPending) {
        dragPending = false;
        placeCaret(offsetAtViewport(event->position().toPoint()), false);
    } else {
        dragging = false;
        mouseSelectionDone();
    }
    event->accept();
}

void WrappedTextArea::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint position = event->position().toPoint();
    const qsizetype offset = offsetAtViewport(position);
    firstUnit = wordAround(wrap.text(), offset);
    unit = Unit::Word;
    selectRange(firstUnit.first, firstUnit.second);
    dragPending = false;
    dragging = true;
    tripleClickPoint = position;
    tripleClickTimer.start(QGuiApplication::styleHints()->mouseDoubleClickInterval(), this);
    offerSelection();
    event->accept();
}

void WrappedTextArea::dragTo(const QPoint &position)
{
    const qsizetype offset = offsetAtViewport(position);
    if (unit == Unit::Character || (offset >= firstUnit.first && offset <= firstUnit.second)) {
        if (unit != Unit::Character)
            anchor = firstUnit.first;
        cursor = unit == Unit::Character ? offset : firstUnit.second;
        viewport()->update();
        return;
    }
    // Past the first word or paragraph, the selection keeps all of it and
    // grows by whole ones: by paragraphs to the one under the mouse, by words
    // to the edge of the word under the mouse that is nearer.
    const bool back = offset < firstUnit.first;
    anchor = back ? firstUnit.second : firstUnit.first;
    const QString &text = wrap.text();
    if (unit == Unit::Paragraph) {
        const auto [from, to] = paragraphAround(text, offset);
        cursor = back ? from : to;
    } else {
        const auto [from, to] = wordAround(text, offset);
        const int line = lineAt(position.y());
        const bool onLine = from >= wrap.lineStart(line) && to <= wrap.lineEnd(line);
        if (onLine)
            cursor = position.x() - caretX(line, from) < caretX(line, to) - position.x() ? from : to;
        else
            cursor = back ? from : to;
    }
    viewport()->update();
}

void WrappedTextArea::followDrag()
{
    const bool pastAnEdge = lastDragPoint.y() < 0 || lastDragPoint.y() > viewport()->height();
    if (pastAnEdge && !autoScrollTimer.isActive()) {
        autoScroll();
        autoScrollTimer.start(autoScrollMilliseconds, this);
        return;
    }
    if (!pastAnEdge)
        autoScrollTimer.stop();
    dragTo(lastDragPoint);
}

void WrappedTextArea::autoScroll()
{
    const int y = lastDragPoint.y();
    const int beyond = y < 0 ? -y : y - viewport()->height();
    if (!dragging || beyond <= 0) {
        autoScrollTimer.stop();
        return;
    }
    const int lines = std::min(1 + beyond / lineHeight, fullLinesInView());
    QScrollBar *bar = verticalScrollBar();
    // Scrolling down lays out the lines it brings into view.
    if (y > 0)
        ensureLinesThrough(bar->value() + fullLinesInView() + lines);
    bar->setValue(bar->value() + (y < 0 ? -lines : lines));
    dragTo(lastDragPoint);
}

void WrappedTextArea::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == autoScrollTimer.timerId())
        autoScroll();
    else if (event->timerId() == tripleClickTimer.timerId())
        tripleClickTimer.stop();
    else
        QAbstractScrollArea::timerEvent(event);
}

void WrappedTextArea::startDrag()
{
    auto *drag = new QDrag(this);
    drag->setMimeData(createMimeDataFromSelection());
    // Copied out: whatever takes it, the text stays here. A drop back on the
    // same box moves the text itself.
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void WrappedTextArea::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
