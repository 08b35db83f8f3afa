// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReceivedDataAccessible.h"
#include "ReceivedDataView.h"

#include <QScrollBar>

#include <algorithm>

ReceivedDataAccessible::ReceivedDataAccessible(ReceivedDataView *view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{
}

QAccessibleInterface *ReceivedDataAccessible::create(const QString &className, QObject *object)
{
    if (className == QLatin1String("ReceivedDataView"))
        return new ReceivedDataAccessible(static_cast<ReceivedDataView *>(object));
    return nullptr;
}

ReceivedDataView *ReceivedDataAccessible::view() const
{
    return static_cast<ReceivedDataView *>(widget());
}

QAccessible::State ReceivedDataAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString ReceivedDataAccessible::text(QAccessible::Text type) const
{
    if (type == QAccessible::Value)
        return view()->toPlainText();
    return QAccessibleWidget::text(type);
}

void *ReceivedDataAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

// --- Selection and caret -----------------------------------------------------

void ReceivedDataAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0)
        return;
    *startOffset = int(view()->selectionStart());
    *endOffset = int(view()->selectionEnd());
}

int ReceivedDataAccessible::selectionCount() const
{
    return view()->selectionEnd() > view()->selectionStart() ? 1 : 0;
}

void ReceivedDataAccessible::addSelection(int startOffset, int endOffset)
{
    // The box holds one selection: a new one replaces it.
    setSelection(0, startOffset, endOffset);
}

void ReceivedDataAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        view()->select(view()->cursor, view()->cursor);
}

void ReceivedDataAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        view()->select(startOffset, endOffset);
}

int ReceivedDataAccessible::cursorPosition() const
{
    return int(view()->cursor);
}

void ReceivedDataAccessible::setCursorPosition(int position)
{
    view()->select(position, position);
}

// --- Text --------------------------------------------------------------------

QString ReceivedDataAccessible::text(int startOffset, int endOffset) const
{
    const QString &shown = view()->shownText();
    const qsizetype from = std::clamp<qsizetype>(startOffset, 0, shown.size());
    // A reader asks for "to the end" with -1.
    const qsizetype to = endOffset < 0 ? shown.size() : std::clamp<qsizetype>(endOffset, from, shown.size());
    return shown.mid(from, to - from);
}

int ReceivedDataAccessible::characterCount() const
{
    return int(view()->shownText().size());
}

// --- Geometry ----------------------------------------------------------------

QRect ReceivedDataAccessible::characterRect(int offset) const
{
    if (offset < 0 || offset >= characterCount())
        return {};
    const QRect inViewport = view()->characterRect(offset);
    return inViewport.translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
}

int ReceivedDataAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPoint inViewport = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(inViewport))
        return -1;
    return int(view()->offsetAt(inViewport));
}

void ReceivedDataAccessible::scrollToSubstring(int startIndex, int)
{
    view()->scrollToOffset(std::clamp<qsizetype>(startIndex, 0, view()->shownText().size()));
}

QString ReceivedDataAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    // One font and colour throughout: one run with no attributes of its own.
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
