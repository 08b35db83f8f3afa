// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReceivedDataAccessible.h"
#include "ReceivedDataView.h"

#include <QAccessibleWidget>

#include <algorithm>

// A read-only text that a screen reader can read whole or by character, word
// and line, with the user's selection and caret. Without it the box, which
// draws its text itself, would show as an empty pane.
class ReceivedDataAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ReceivedDataAccessible(ReceivedDataView *view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Value)
            return view()->toPlainText();
        return QAccessibleWidget::text(type);
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || selectionCount() == 0)
            return;
        *startOffset = int(view()->selectionStart());
        *endOffset = int(view()->selectionEnd());
    }
    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }
    // The box holds one selection: a new one replaces it.
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            view()->selectRange(view()->cursor, view()->cursor);
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            view()->selectRange(startOffset, endOffset);
    }
    int cursorPosition() const override { return int(view()->cursor); }
    void setCursorPosition(int position) override { view()->selectRange(position, position); }

    QString text(int startOffset, int endOffset) const override
    {
        const QString &shown = view()->shownText();
        const qsizetype from = std::clamp<qsizetype>(startOffset, 0, shown.size());
        // A reader asks for "to the end" with -1.
        const qsizetype to = endOffset < 0 ? shown.size() : std::clamp<qsizetype>(endOffset, from, shown.size());
        return shown.mid(from, to - from);
    }
    int characterCount() const override { return int(view()->shownText().size()); }

    QRect characterRect(int offset) const override
    {
        if (offset < 0 || offset >= characterCount())
            return {};
        return view()->characterRect(offset).translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint inViewport = view()->viewport()->mapFromGlobal(point);
        if (!view()->viewport()->rect().contains(inViewport))
            return -1;
        return int(view()->offsetAtViewport(inViewport));
    }
    void scrollToSubstring(int startIndex, int) override
    {
        view()->scrollToOffset(std::clamp<qsizetype>(startIndex, 0, view()->shownText().size()));
    }
    // One font and colour throughout: one run with no attributes of its own.
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    ReceivedDataView *view() const { return static_cast<ReceivedDataView *>(widget()); }
};

QAccessibleInterface *createReceivedDataAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("ReceivedDataView"))
        return new ReceivedDataAccessible(static_cast<ReceivedDataView *>(object));
    return nullptr;
}
