// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReceivedDataView.h"
#include "ReceivedDataAccessible.h"

#include "formats/ReceivedRendering.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QtMath>

#include <algorithm>
#include <limits>

namespace {

// Laid out and drawn at most this often, whatever the arrival rate.
constexpr int frameMilliseconds = 16;

// Laid out while the window is idle, this many characters a turn: about a
// millisecond's work.
constexpr qsizetype layoutSlice = 512 * 1024;

// A screen reader is told of a new text at most this often: during a flood
// it hears of every few arrivals instead of falling ever further behind, and
// always of the last.
constexpr int announceMilliseconds = 250;

} // namespace

ReceivedDataView::ReceivedDataView(QWidget *parent)
    : WrappedTextArea(parent)
{
    setAttribute(Qt::WA_InputMethodEnabled, false);
    static const bool accessible = (QAccessible::installFactory(&createReceivedDataAccessible), true);
    Q_UNUSED(accessible);
}

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

void ReceivedDataView::selectRange(qsizetype from, qsizetype to)
{
    anchor = std::clamp<qsizetype>(from, 0, shownText().size());
    cursor = std::clamp<qsizetype>(to, 0, shownText().size());
    viewport()->update();
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
        wrap.layOutSlice(layoutSlice);
        if (wrap.isComplete())
            layoutTimer.stop();
        updateScrollRange();
    } else {
        WrappedTextArea::timerEvent(event);
    }
}

void ReceivedDataView::ensureLayout()
{
    if (!layoutValid) {
        wrap.setText(shownText());
        layoutValid = true;
    }
    wrap.setWidth(wrapWidth());
}

void ReceivedDataView::ensureLinesThrough(int line)
{
    ensureLayout();
    wrap.layOutThroughLine(line);
    // The rest is laid out while the window is idle, so the scroll range
    // soon counts every line.
    if (wrap.isComplete())
        layoutTimer.stop();
    else if (!layoutTimer.isActive())
        layoutTimer.start(0, this);
    updateScrollRange();
}

int ReceivedDataView::lineOf(qsizetype offset)
{
    ensureLayout();
    return wrap.lineOf(offset);
}

QRect ReceivedDataView::characterRect(qsizetype offset)
{
    const int line = lineOf(offset);
    const auto [left, right] = characterEdges(line, offset);
    const int y = margin + (line - verticalScrollBar()->value()) * lineHeight;
    return QRect(qFloor(left), y, std::max(1, qCeil(right) - qFloor(left)), lineHeight);
}

void ReceivedDataView::scrollToOffset(qsizetype offset)
{
    const int line = lineOf(offset);
    updateScrollRange();
    scrollToLine(line);
}

// --- Painting ----------------------------------------------------------------

void ReceivedDataView::drawLine(QPainter &painter, int line, int y)
{
    drawTextLine(painter, line, y, -1, false, QString(), 0);
}

void ReceivedDataView::focusInEvent(QFocusEvent *event)
{
    viewport()->update();
    WrappedTextArea::focusInEvent(event);
}

void ReceivedDataView::focusOutEvent(QFocusEvent *event)
{
    viewport()->update();
    WrappedTextArea::focusOutEvent(event);
}

// --- The user's hand ---------------------------------------------------------

qsizetype ReceivedDataView::offsetAtViewport(const QPoint &position)
{
    return offsetAtLineX(lineAt(position.y()), position.x(), true);
}

void ReceivedDataView::placeCaret(qsizetype offset, bool keepAnchor)
{
    if (!keepAnchor)
        anchor = offset;
    cursor = offset;
    viewport()->update();
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
    return WrappedTextArea::event(event);
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
    static const std::pair<int, QAbstractSlider::SliderAction> scrollKeys[] = {
        {Qt::Key_Up, QAbstractSlider::SliderSingleStepSub},   {Qt::Key_Down, QAbstractSlider::SliderSingleStepAdd},
        {Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub}, {Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd},
        {Qt::Key_Home, QAbstractSlider::SliderToMinimum},     {Qt::Key_End, QAbstractSlider::SliderToMaximum},
    };
    const auto found = std::find_if(std::begin(scrollKeys), std::end(scrollKeys),
                                    [event](const auto &scrollKey) { return scrollKey.first == event->key(); });
    if (found == std::end(scrollKeys)) {
        // The text is not the user's to change: typing does nothing here.
        event->ignore();
        return;
    }
    const QAbstractSlider::SliderAction action = found->second;
    // The end is only known once all is laid out.
    if (action == QAbstractSlider::SliderToMaximum)
        ensureLinesThrough(std::numeric_limits<int>::max() - 2);
    else
        ensureLayout();
    verticalScrollBar()->triggerAction(action);
    event->accept();
}

QMenu *ReceivedDataView::createContextMenu()
{
    auto *menu = new QMenu(this);
    QAction *copyAction = menu->addAction(tr("&Copy"), this, &ReceivedDataView::copy);
    copyAction->setObjectName(QStringLiteral("copy"));
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    menu->addSeparator();
    QAction *selectAllAction = menu->addAction(tr("Select All"), this, &ReceivedDataView::selectAll);
    selectAllAction->setObjectName(QStringLiteral("select-all"));
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(!shownText().isEmpty());
    return menu;
}
