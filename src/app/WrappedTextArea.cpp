// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WrappedTextArea.h"
#include "edit/TextEditModel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QtMath>

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

void WrappedTextArea::measureFont()
{
    const QFontMetricsF metrics(font());
    lineHeight = std::max(1, qCeil(metrics.lineSpacing()));
    ascent = qCeil(metrics.ascent());
    wrap.setMeasure(LineWrap::fontMeasure(font()));
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

qsizetype WrappedTextArea::nearestOffset(qsizetype from, qsizetype end, qint64 target) const
{
    qint64 x = 0;
    for (qsizetype offset = from; offset < end;) {
        const qsizetype before = offset;
        const int width = wrap.advanceAt(offset);
        if (x + width / 2 > target)
            return before;
        x += width;
    }
    return end;
}

void WrappedTextArea::dragTo(const QPoint &position)
{
    QScrollBar *bar = verticalScrollBar();
    if (position.y() < 0)
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (position.y() > viewport()->height())
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    cursor = offsetAtViewport(position);
    viewport()->update();
}

void WrappedTextArea::paintEvent(QPaintEvent *event)
{
    const int first = verticalScrollBar()->value();
    // The line partly in view at the bottom too.
    ensureLinesThrough(first + fullLinesInView() + 1);
    QPainter painter(viewport());
    QFont drawn = font();
    drawn.setKerning(false);
    painter.setFont(drawn);

    const QRect area = event->rect();
    int y = margin;
    for (int line = first; line < wrap.lineCount() && y <= area.bottom(); ++line) {
        if (y + lineHeight > area.top())
            drawLine(painter, line, y);
        y += lineHeight;
    }
}

qint64 WrappedTextArea::drawRun(QPainter &painter, qsizetype from, qsizetype to, qint64 x, int y, bool selected)
{
    // Past the right edge nothing is seen; hanging spaces stop there.
    const qint64 visible = visibleWidth();
    const qint64 runX = x;
    qsizetype offset = from;
    while (offset < to && x <= visible)
        x += wrap.advanceAt(offset);
    if (offset == from)
        return x;
    const QRectF box(margin + toPixels(runX), y, toPixels(x - runX), lineHeight);
    if (selected)
        painter.fillRect(box, palette().brush(QPalette::Highlight));
    painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter.drawText(QPointF(box.left(), y + ascent), wrap.text().mid(from, offset - from));
    return x;
}

void WrappedTextArea::drawSelectedBreak(QPainter &painter, qsizetype lineEnd, qint64 x, int y)
{
    const QString &text = wrap.text();
    if (lineEnd < text.size() && text.at(lineEnd) == u'\n' && selectionStart() <= lineEnd && selectionEnd() > lineEnd) {
        const QRectF box(margin + toPixels(std::min(x, visibleWidth())), y, toPixels(wrap.advance(u' ')), lineHeight);
        painter.fillRect(box, palette().brush(QPalette::Highlight));
    }
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

void WrappedTextArea::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    dragTo(event->position().toPoint());
    event->accept();
}

void WrappedTextArea::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !dragging) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    dragging = false;
    mouseSelectionDone();
    event->accept();
}

void WrappedTextArea::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    // Finding the offset lays the text out as far as it, if it was not.
    const qsizetype offset = offsetAtViewport(event->position().toPoint());
    const auto [from, to] = wordAround(wrap.text(), offset);
    selectRange(from, to);
    dragging = false;
    offerSelection();
    event->accept();
}

void WrappedTextArea::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
