// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "WrappedTextArea.h"
#include "edit/TextEditModel.h"

#include <QBasicTimer>
#include <QString>

// The box where a panel's data to send is typed. A text editor widget lays
// out a paragraph whole, and one that wraps at word boundaries does so in
// quadratic time: a Hex dump of a few hundred kilobytes, one line without
// a break, took seconds to paste and most of a second for every key. This
// box keeps the text as one string and the offsets where its wrapped lines
// start, lays out from an edit onwards only as far as the view and the
// caret need (the rest while the window is idle), and draws only the lines
// in view. What the text is and how it changes (caret, selection, undo,
// the steps of the keys) is its model's; the box keeps its layout in step
// with the model and turns keys, the input method and the mouse into calls
// on it.
//
// The text is held exactly as typed: a no-break space stays one, and so do
// the Unicode line and paragraph separators. Enter and Shift+Enter both put
// a line feed into it, and a carriage return that arrives in pasted text is
// taken as the line break it stands for, as a text box does.
class TransmitDataEdit : public WrappedTextArea
{
    Q_OBJECT
    Q_PROPERTY(QString plainText READ toPlainText WRITE setPlainText NOTIFY textChanged USER true)

public:
    explicit TransmitDataEdit(QWidget *parent = nullptr);

    // Every character as it stands, a line break as '\n'.
    QString toPlainText() const { return text(); }
    // Replaces the text and forgets the undo history; the caret goes to
    // the start.
    void setPlainText(const QString &newText);
    void clear() { setPlainText(QString()); }

    int cursorPosition() const { return int(cursor); }
    int anchorPosition() const { return int(anchor); }
    void setSelection(qsizetype from, qsizetype to);
    // Replaces the selection, as typing or pasting does; undone as one step.
    void insertPlainText(const QString &inserted);
    void replaceRange(qsizetype from, qsizetype to, const QString &inserted);
    // Where the character at offset is drawn, in the box's own coordinates.
    QRect characterRect(qsizetype offset);
    qsizetype offsetAtPoint(const QPoint &position);

    bool isUndoAvailable() const { return model.isUndoAvailable(); }
    bool isRedoAvailable() const { return model.isRedoAvailable(); }

public slots:
    void undo();
    void redo();
    void cut();
    void paste();

signals:
    void textChanged();

protected:
    bool event(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    // Text dragged here from anywhere goes in where it is dropped.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    static QString withLineFeeds(QString text);
    // The model, told first of any selection the mouse has made since.
    TextEditModel &editing();
    void followModelCursor();
    void textReset();
    void contentsChange(qsizetype position, const QString &removed, const QString &inserted);
    bool handleEditingKey(QKeyEvent *event);
    bool handleMovementKey(QKeyEvent *event);
    qsizetype endOfLine(int line) const;
    void moveCursor(qsizetype to, bool keepAnchor);

    const QString &text() const { return wrap.text(); }
    const QString &shownText() const override { return text(); }
    void invalidateLayout() override;
    void ensureLayout();
    void ensureLinesThrough(int line) override;
    void scheduleIdleLayout();
    // Stops the idle layout once it is done, and sets the scroll range.
    void layoutAdvanced();
    int lineOf(qsizetype offset);
    qint64 xOf(int line, qsizetype offset) const;
    qsizetype offsetAtX(int line, qint64 x) const;
    void ensureCursorVisible();
    void cursorMoved();
    void drawLine(QPainter &painter, int line, int y) override;

    void dragTo(const QPoint &position) override;
    qsizetype offsetAtViewport(const QPoint &position) override
    {
        return offsetAtPoint(viewport()->mapTo(this, position));
    }
    void selectRange(qsizetype from, qsizetype to) override { setSelection(from, to); }
    void placeCaret(qsizetype offset, bool keepAnchor) override;
    void moveSelectionTo(qsizetype at);
    void mouseSelectionDone() override
    {
        offerSelection();
        cursorMoved();
    }
    QMenu *createContextMenu() override;

    // Up and Down keep the column the caret was in, across short lines.
    qint64 goalX = -1;
    QString preedit;
    int preeditCursor = 0;

    TextEditModel model;

    // The wrap lays out the model's text where the model keeps it. Its
    // layout runs from an edit onwards only as far as it is needed, the
    // rest in slices while the window is idle.
    QBasicTimer layoutTimer;

    bool caretShown = true;
    QBasicTimer caretTimer;
};
