// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFont>
#include <QTextLayout>

#include <memory>
#include <unordered_map>

class LineWrap;

// The wrapped lines of a text as Qt's text engine shapes them: glyphs in
// their bidirectional order, tabs at their stops, caret positions between
// whole characters. LineWrap decides where the lines break; this lays each
// out in one line as wide as the box, right to left when its paragraph's
// first strong character is. Only the lines asked for are shaped, and of a
// line only as much as the box can show, so that spaces hanging past the
// edge of a line a million characters long cost no more than a full line.
// The shapes are kept until the text, the font or the width change.
class LineShapes
{
public:
    struct Shape
    {
        // The characters shaped: from the line's start to its end, or to
        // a little past the box's edge.
        qsizetype from = 0;
        qsizetype to = 0;
        // The line's end when it was shaped: the last line known grows as
        // the layout goes on.
        qsizetype lineEnd = 0;
        bool rightToLeft = false;
        QTextLayout layout;
    };

    void setFont(const QFont &font);
    // The width of a line, in pixels.
    void setWidth(qreal width);
    qreal width() const { return lineWidth; }
    const Shape &shape(const LineWrap &wrap, int line) const;
    // Shapes the line again with text an input method is composing standing
    // at position, marked as such.
    std::unique_ptr<Shape> shapeWithPreedit(const LineWrap &wrap, int line, qsizetype position,
                                            const QString &preedit) const;

private:
    void forgetIfChanged(const LineWrap &wrap) const;
    void fill(Shape &shape, const LineWrap &wrap, int line, qsizetype preeditAt, const QString &preedit) const;
    qsizetype paragraphStart(const LineWrap &wrap, int line) const;
    bool isRightToLeft(const QString &text, qsizetype paragraphStart) const;

    QFont shapingFont;
    qreal lineWidth = 0;

    mutable quint64 shapedRevision = ~quint64(0);
    mutable std::unordered_map<qsizetype, std::unique_ptr<Shape>> shapes;
    mutable std::unordered_map<qsizetype, bool> directions;
    // The last line whose paragraph was looked for: the next line asked for
    // is usually the one after it.
    mutable int lastLine = -1;
    mutable qsizetype lastParagraphStart = 0;
};
