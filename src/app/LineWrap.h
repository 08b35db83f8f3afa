// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHash>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class QFont;

// Which characters of a text go on which visual line, given the width of
// the line and the advance of each character. A text editor widget lays out
// a paragraph whole, and one that wraps at word boundaries does so in
// quadratic time; this keeps only the offsets where lines start, lays out
// only as far as it is asked, and picks up where it stopped, so a text of
// millions of characters is shown after laying out the lines in view.
//
// Greedy: a line takes characters while they fit, then breaks after its last
// space, or before the character that overflows when it has none, so a token
// is cut only when it is wider than the line. Spaces never start a new line;
// they hang past the edge. A tab reaches to the next tab stop, as it is
// drawn, and a line may break after it as after a space. Only '\n' is a line
// break. The text is never changed: wrapping adds no character to it.
class LineWrap
{
public:
    // A character's advance in whatever integer unit the caller sums (the
    // boxes use 1/64 pixel, so sums stay exact).
    using Measure = std::function<int(char32_t)>;

    // Measures with the font as it draws, 1/64 pixel to the unit.
    static Measure fontMeasure(const QFont &font);

    const QString &text() const { return followed ? *followed : wholeText; }
    // Lays out afresh from the start.
    void setText(const QString &text);
    // Replaces removedLength characters at position; the lines before the
    // change stay laid out.
    void replace(qsizetype position, qsizetype removedLength, const QString &inserted);
    // Lays out a text its owner keeps and changes, read where it stands, so
    // a long text is never held twice; the owner calls textChanged after
    // each change. Lays out afresh from the start.
    void followText(const QString &text);
    // The followed text changed from position on; the lines before stay.
    void textChanged(qsizetype position) { restartFrom(position); }

    // Latin-1 is measured when the layout first needs it, every other
    // character when first met. A new measure lays out afresh.
    void setMeasure(Measure measure);
    int advance(char32_t character) const;
    // The distance between tab stops, in the measure's unit.
    void setTabStop(int units);
    // The advance of the character at offset, which then moves past it: a
    // surrogate pair is one character.
    int advanceAt(qsizetype &offset) const;

    int width() const { return lineWidth; }
    // Lays out afresh when the width changes; says whether it did.
    bool setWidth(int width);

    // Lays out at least until the given line's end is known.
    void layOutThroughLine(int line);
    // Lays out at least until the end of the line holding offset is known.
    void layOutThroughOffset(qsizetype offset);
    // Lays out about this many more characters, as a slice of idle time.
    void layOutSlice(qsizetype characters);
    bool isComplete() const { return complete; }
    // Counts every change of the text, the measure or the width, so that
    // what was derived from the lines knows when to derive it again.
    quint64 revision() const { return changes; }

    int lineCount() const { return int(lineStarts.size()); }
    qsizetype lineStart(int line) const { return lineStarts[size_t(line)]; }
    // A line that ends at a line break ends before it; a wrapped one runs to
    // where the next begins; the last known one to where the layout stopped.
    qsizetype lineEnd(int line) const;
    // Whether the line ends by wrapping rather than at a line break or the end.
    bool isWrapped(int line) const;
    // The line holding offset, laid out as far as needed to know it.
    int lineOf(qsizetype offset);
    // The lines laid out so far, and the rest of the text taken to wrap as
    // that part did: the scroll range while the layout is still running.
    int estimatedLineCount() const;

private:
    void restart();
    // Forgets the lines from the one before the line holding offset onwards:
    // a shorter first word may now fit at the end of the line before.
    void restartFrom(qsizetype offset);
    void measureLatin1() const;
    void layOutMore(int throughLine, qsizetype throughOffset, qsizetype characterBudget);

    QString wholeText;
    const QString *followed = nullptr;
    Measure measure;
    int lineWidth = -1;
    int tabStop = 80 * 64;
    quint64 changes = 0;

    std::vector<qsizetype> lineStarts{0};
    // Where the layout stopped, to go on from there.
    struct Progress
    {
        qsizetype next = 0;        // the first character not yet laid out
        qsizetype breakAfter = -1; // just past the last space on the current line
        int x = 0;                 // the current line's width so far
        int xAtBreak = 0;          // its width up to breakAfter
    };
    Progress progress;
    bool complete = false;

    mutable std::array<int, 256> latin1Advances{};
    mutable bool latin1Measured = false;
    // Beyond Latin-1 the texts hold few distinct characters (the symbols for
    // control bytes, say), so a small table of those met so far is enough.
    mutable QHash<char32_t, int> otherAdvances;
};
