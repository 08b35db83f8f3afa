// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WrappedTextAccessible.h"
#include "WrappedTextArea.h"

#include <algorithm>

WrappedTextAccessible::WrappedTextAccessible(WrappedTextArea *area)
    : QAccessibleWidget(area, QAccessible::EditableText)
{}

WrappedTextArea *WrappedTextAccessible::area() const
{
    return static_cast<WrappedTextArea *>(widget());
}

QAccessible::State WrappedTextAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString WrappedTextAccessible::text(QAccessible::Text type) const
{
    if (type == QAccessible::Value)
        return area()->shownText();
    return QAccessibleWidget::text(type);
}

void *WrappedTextAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

void WrappedTextAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0)
        return;
    *startOffset = int(area()->selectionStart());
    *endOffset = int(area()->selectionEnd());
}

int WrappedTextAccessible::selectionCount() const
{
    return area()->hasSelection() ? 1 : 0;
}

void WrappedTextAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void WrappedTextAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        area()->selectRange(area()->cursor, area()->cursor);
}

void WrappedTextAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        area()->selectRange(startOffset, endOffset);
}

int WrappedTextAccessible::cursorPosition() const
{
    return int(area()->cursor);
}

void WrappedTextAccessible::setCursorPosition(int position)
{
    area()->selectRange(position, position);
}

QString WrappedTextAccessible::text(int startOffset, int endOffset) const
{
    const QString &shown = area()->shownText();
    const qsizetype from = std::clamp<qsizetype>(startOffset, 0, shown.size());
    // A reader asks for "to the end" with -1.
    const qsizetype to = endOffset < 0 ? shown.size() : std::clamp<qsizetype>(endOffset, from, shown.size());
    return shown.mid(from, to - from);
}

int WrappedTextAccessible::characterCount() const
{
    return int(area()->shownText().size());
}

QString WrappedTextAccessible::attributes(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
