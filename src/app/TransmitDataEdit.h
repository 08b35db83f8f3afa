// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QHash>
#include <QString>

#include <array>
#include <vector>

class QMenu;
class QPainter;

// The box where a panel's data to send is typed. A text editor widget lays
// out a paragraph whole, and one that wraps at word boundaries does so in
// quadratic time: a Hex dump of a few hundred kilobytes, one line without
// a break, took seconds to paste and most of a second for every key. This
// box keeps the text as one string and the offsets where its wrapped lines
// start, lays out from an edit onwards only as far as the view and the
// caret need (the rest while the window is idle), and draws only the lines
// in view.
//
// The text is held exactly as typed: a no-break space stays one, and so do
// the Unicode line and paragraph separators. Enter and Shift+Enter both put
// a line feed into it, and a carriage return that arrives in pasted text is
// taken as the line break it stands for, as a text box does.
class TransmitDataEdit : public QAbstractScrollArea
{
    Q_OBJECT
    Q_PROPERTY(QString plainText READ toPlainText WRITE setPlainText NOTIFY textChanged USER true)

public:
    explicit TransmitDataEdit(QWidget *parent = nullptr);
    ~TransmitDataEdit() override;

    // Every character as it stands, a line break as '\n'.
    QString toPlainText() const { return text; }
    // Replaces the text and forgets the undo history; the caret goes to
    // the start.
    void setPlainText(const QString &newText);
    void clear() { setPlainText(QString()); }

    QString selectedText() const;
    int cursorPosition() const { return int(cursor); }
    int anchorPosition() const { return int(anchor); }
    void setSelection(qsizetype from, qsizetype to);
    // Replaces the selection, as typing or pasting does; undone as one step.
    void insertPlainText(const QString &inserted);
    void replaceRange(qsizetype from, qsizetype to, const QString &inserted);
    // Where the character at offset is drawn, in the box's own coordinates.
    QRect characterRect(qsizetype offset);
    qsizetype offsetAtPoint(const QPoint &position);

    bool isUndoAvailable() const { return !undoStack.empty(); }
    bool isRedoAvailable() const { return !redoStack.empty(); }

public slots:
    void undo();
    void redo();
    void cut();
    void copy() const;
    void paste();
    void selectAll();

signals:
    void textChanged();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    // One change of the text, kept to be undone: what stood at position and
    // what replaced it, and where the caret and anchor were before.
    struct Edit
    {
        qsizetype position = 0;
        QString removed;
        QString inserted;
        qsizetype cursorBefore = 0;
        qsizetype anchorBefore = 0;
        bool typing = false;
    };
    void applyEdit(qsizetype position, qsizetype removedLength, const QString &inserted);
    void edit(qsizetype from, qsizetype to, const QString &inserted, bool typing);
    bool handleEditingKey(QKeyEvent *event);
    bool handleMovementKey(QKeyEvent *event);
    void moveCursor(qsizetype to, bool keepAnchor);
    qsizetype wordStartBefore(qsizetype offset) const;
    qsizetype wordEndAfter(qsizetype offset) const;
    qsizetype previousCharacter(qsizetype offset) const;
    qsizetype nextCharacter(qsizetype offset) const;

    // Advances in 1/64 pixel, as the font engines measure them, so sums of
    // a line's characters stay exact in integers.
    int advance(char32_t character) const;
    int advanceAt(qsizetype &offset) const;
    void measureLatin1();

    void invalidateLayoutFrom(qsizetype offset);
    void ensureLayout();
    void ensureLinesThrough(int line);
    void ensureLaidOutThrough(qsizetype offset);
    void layOutMore(int throughLine, qsizetype throughOffset, qsizetype characterBudget);
    void scheduleIdleLayout();
    int estimatedLineCount() const;
    void updateScrollRange();
    int wrapWidth() const;
    int fullLinesInView() const;
    int lineCount() const { return int(lineStarts.size()); }
    qsizetype lineStart(int line) const { return lineStarts[size_t(line)]; }
    qsizetype lineEnd(int line) const;
    int lineOf(qsizetype offset);
    qint64 xOf(int line, qsizetype offset) const;
    qsizetype offsetAtX(int line, qint64 x) const;
    void ensureCursorVisible();
    void cursorMoved();
    void drawLine(QPainter &painter, int line, int y);

    qsizetype selectionStart() const { return std::min(anchor, cursor); }
    qsizetype selectionEnd() const { return std::max(anchor, cursor); }
    bool hasSelection() const { return anchor != cursor; }
    void offerSelection() const;
    void dragTo(const QPoint &position);
    QMenu *createContextMenu();

    QString text;
    qsizetype cursor = 0;
    qsizetype anchor = 0;
    // Up and Down keep the column the caret was in, across short lines.
    qint64 goalX = -1;
    QString preedit;
    int preeditCursor = 0;

    std::vector<Edit> undoStack;
    std::vector<Edit> redoStack;

    // The layout runs only as far as it is needed, the rest in slices while
    // the window is idle; where it stopped is kept here.
    struct LayoutProgress
    {
        qsizetype next = 0;        // the first character not yet laid out
        qsizetype breakAfter = -1; // just past the last space on the current line
        int x = 0;                 // the current line's width so far
        int xAtBreak = 0;          // its width up to breakAfter
    };
    std::vector<qsizetype> lineStarts{0};
    LayoutProgress progress;
    bool layoutComplete = false;
    int laidOutWidth = -1;
    QBasicTimer layoutTimer;

    std::array<int, 256> latin1Advances{};
    bool latin1Measured = false;
    mutable QHash<char32_t, int> otherAdvances;
    int lineHeight = 1;
    int ascent = 0;

    bool dragging = false;
    bool caretShown = true;
    QBasicTimer caretTimer;
};
