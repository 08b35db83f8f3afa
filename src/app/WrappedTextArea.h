// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "LineWrap.h"

#include <QAbstractScrollArea>

#include <algorithm>
#include <utility>

class QMenu;
class QPainter;

// What both data boxes are: one text wrapped at the box's width, scrolled a
// line at a time and drawn only where it is in view, with a selection made
// by the mouse. The boxes add where the text comes from, when it is laid
// out, and what the keys do.
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

protected:
    // The same room around the text as a text editor box leaves.
    static constexpr int margin = 4;
    // Advances are summed in 1/64 pixel, as the font engines measure them,
    // so that a line's sum stays exact in integers.
    static constexpr int unitsPerPixel = 64;
    static qreal toPixels(qint64 units) { return qreal(units) / unitsPerPixel; }
    static int toUnits(qreal pixels) { return qRound(pixels * unitsPerPixel); }

    // A word is a run between spaces and line breaks: in Decimal and Hex
    // that is one byte's value.
    static bool separatesWords(QChar character) { return character == u' ' || character == u'\n'; }
    // The word a double click selects, as the desktop's text boxes pick it.
    static std::pair<qsizetype, qsizetype> wordAround(const QString &text, qsizetype offset);

    // The text as the user sees it and copies it.
    virtual const QString &shownText() const = 0;
    virtual void invalidateLayout() = 0;

    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Selects the word under the mouse.
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

    // Lays out at least through the given line, so that its end is known.
    virtual void ensureLinesThrough(int line) = 0;
    virtual void drawLine(QPainter &painter, int line, int y) = 0;
    // Moves the selection's moving end to where the mouse has been dragged.
    // Dragging past the top or bottom edge scrolls on, so a selection can
    // reach beyond what is in view.
    virtual void dragTo(const QPoint &position);
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
    qint64 visibleWidth() const { return qint64(viewport()->width()) * unitsPerPixel; }
    // The range counts the lines laid out so far and an estimate of the rest.
    // Setting it only clamps the position: the view stays where the user
    // scrolled it as far as the text reaches.
    void updateScrollRange();
    void scrollToLine(int line);
    // The offset from..end whose boundary is nearest to x units from the
    // margin: the nearer edge of the character under x wins.
    qsizetype nearestOffset(qsizetype from, qsizetype end, qint64 x) const;

    // Draws the characters from..to, starting x units from the margin, as
    // far as the view shows them; gives the x it reached. Each run is placed
    // where the summed advances put it, so a selection or a caret stands
    // exactly at the characters it means.
    qint64 drawRun(QPainter &painter, qsizetype from, qsizetype to, qint64 x, int y, bool selected);
    // A selection that runs on past the line break at lineEnd shows that it
    // holds it.
    void drawSelectedBreak(QPainter &painter, qsizetype lineEnd, qint64 x, int y);

    qsizetype selectionStart() const { return std::min(anchor, cursor); }
    qsizetype selectionEnd() const { return std::max(anchor, cursor); }
    bool hasSelection() const { return anchor != cursor; }
    // Where the desktop has a primary selection, a selection made in the box
    // can be pasted with the middle button, as from any text box.
    void offerSelection() const;

    // The text as laid out, and its lines.
    LineWrap wrap;
    int lineHeight = 1;
    int ascent = 0;

    qsizetype anchor = 0;
    qsizetype cursor = 0;
    bool dragging = false;
};
