// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAccessibleWidget>

class WrappedTextArea;

// What a screen reader sees of either data box: a multi-line text it can read
// whole or by range, with the user's selection and caret. The boxes add
// whether it can be changed and where its characters stand on the screen.
class WrappedTextAccessible
    : public QAccessibleWidget
    , public QAccessibleTextInterface
{
public:
    explicit WrappedTextAccessible(WrappedTextArea *area);

    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    // The box holds one selection: a new one replaces it.
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;

    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    // One font and colour throughout: one run with no attributes of its own.
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

protected:
    WrappedTextArea *area() const;
};
