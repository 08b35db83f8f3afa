// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "LineShapes.h"
#include "LineWrap.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QMimeData>
#include <QPointer>

#include <algorithm>
#include <utility>

class QMenu;
class QPainter;

// What both data boxes are: one text wrapped at the box's width, scrolled a
// line at a time and drawn only where it is in view, with a selection made
// by the mouse: dragged, by words after a double click, by paragraphs after
// a triple click, and dragged away as text. The boxes add where the text
// comes from, when it is laid out, and what the keys do.
class WrappedTextArea : public QAbstractScrollArea
{
    Q_OBJECT
    // What a screen reader reads and moves is the text, selection and caret.
    friend class WrappedTextAccessible;

public:
    explicit WrappedTextArea(QWidget *parent = nullptr);

    QString selectedText() const { return shownText().mid(selectionStart(), selectionEnd() - selectionStart()); }
    void selectAll();
    void copy() const;
    // What a drag of the selection carries: its text, as plain text.
    QMimeData *createMimeDataFromSelection() const;

protected:
    // The same room around the text as a text editor box leaves.
    static constexpr int margin = 4;
    // Advances are summed in 1/64 pixel, as the font engines measure them,
    // so that a line's sum stays exact in integers.
    static constexpr int unitsPerPixel = 64;
    static qreal toPixels(qint64 units) { return qreal(units) / unitsPerPixel; }
    static int toUnits(qreal pixels) { return qRound(pixels * unitsPerPixel); }

    // The word a double click selects: spaces and punctuation end words,
    // as in any text box, so a Decimal or Hex token is one word.
    static std::pair<qsizetype, qsizetype> wordAround(const QString &text, qsizetype offset);
    // The paragraph a triple click selects, with the line break after it.
    static std::pair<qsizetype, qsizetype> paragraphAround(const QString &text, qsizetype offset);

    // Whether dropped data is what this box handed out for its selection.
    bool isOwnSelection(const QMimeData *data) const { return data && data == handedOut; }

    // The text as the user sees it and copies it.
    virtual const QString &shownText() const = 0;
    virtual void invalidateLayout() = 0;

    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void timerEvent(QTimerEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Selects the word under the mouse.
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

    // Lays out at least through the given line, so that its end is known.
    virtual void ensureLinesThrough(int line) = 0;
    virtual void drawLine(QPainter &painter, int line, int y) = 0;
    // Moves the selection's moving end to where the mouse has been dragged,
    // a word or a paragraph at a time when a double or triple click began it.
    virtual void dragTo(const QPoint &position);
    // A click puts the caret there, or with Shift moves the selection's end.
    virtual void placeCaret(qsizetype offset, bool keepAnchor) = 0;
    // The offset nearest to a point in the viewport.
    virtual qsizetype offsetAtViewport(const QPoint &position) = 0;
    virtual void selectRange(qsizetype from, qsizetype to) = 0;
    // The mouse has let go of a selection it made.
    virtual void mouseSelectionDone() { offerSelection(); }
    virtual QMenu *createContextMenu() = 0;

    // Takes the line height and the characters' advances from the font.
    void measureFont();
    int wrapWidth() const;
    int fullLinesInView() const;
    // The line at y in the viewport, laid out so that its end is known.
    int lineAt(int y);
    // The range counts the lines laid out so far and an estimate of the rest.
    // Setting it only clamps the position: the view stays where the user
    // scrolled it as far as the text reaches.
    void updateScrollRange();
    void scrollToLine(int line);

    // Positions on a line come from its shape, in viewport x. The caret
    // before offset:
    qreal caretX(int line, qsizetype offset) const;
    // The caret position nearest to x, between whole characters; the very
    // end of a wrapped line only when it may stand there.
    qsizetype offsetAtLineX(int line, qreal x, bool wrappedEnd) const;
    // The left and right edges of the character at offset.
    std::pair<qreal, qreal> characterEdges(int line, qsizetype offset) const;
    // Draws a line's text with the selection over it, so that where the
    // selection or the caret stands never moves a glyph; then the caret
    // (offset -1 for none), with text an input method is composing at it,
    // and where a drop would go.
    void drawTextLine(QPainter &painter, int line, int y, qsizetype caret, bool caretShown, const QString &preedit,
                      int preeditCursor);

    qsizetype selectionStart() const { return std::min(anchor, cursor); }
    qsizetype selectionEnd() const { return std::max(anchor, cursor); }
    bool hasSelection() const { return anchor != cursor; }
    // Where the desktop has a primary selection, a selection made in the box
    // can be pasted with the middle button, as from any text box.
    void offerSelection() const;

    // The text as laid out, and its lines.
    LineWrap wrap;
    int lineHeight = 1;

    qsizetype anchor = 0;
    qsizetype cursor = 0;
    bool dragging = false;
    // Where text dragged over the box would be dropped, or -1.
    qsizetype dropOffset = -1;

private:
    const LineShapes::Shape &shapeOf(int line) const;
    // Scrolls on while a selection is dragged past the top or bottom edge,
    // the farther past it the faster, even with the mouse held still.
    void followDrag();
    void autoScroll();
    void startDrag();

    mutable LineShapes shapes;
    mutable QPointer<QMimeData> handedOut;

    enum class Unit { Character, Word, Paragraph };
    // What the selection grows by, and the word or paragraph first selected.
    Unit unit = Unit::Character;
    std::pair<qsizetype, qsizetype> firstUnit;
    QBasicTimer tripleClickTimer;
    QPoint tripleClickPoint;
    QBasicTimer autoScrollTimer;
    QPoint lastDragPoint;
    // A press on the selection may start dragging it away; let go where it
    // was pressed, it puts the caret there.
    bool dragPending = false;
    QPoint pressPoint;
};
