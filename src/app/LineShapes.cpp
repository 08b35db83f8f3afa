// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LineShapes.h"
#include "LineWrap.h"

#include <QTextOption>

#include <algorithm>

namespace {

// A line longer than this is shaped only as far as the box shows it: it can
// only be that long by spaces hanging past the edge, or characters of no
// width, and neither is seen.
constexpr qsizetype wholeLineLimit = 1024;
// How far past the edge such a line is shaped, in pixels, so that a caret
// in the hanging spaces just past it still has a place.
constexpr int shapedPastTheEdge = 64;
// More shapes than this are not worth keeping: a box shows a few dozen lines.
constexpr size_t keptShapes = 256;

} // namespace

void LineShapes::setFont(const QFont &font)
{
    shapingFont = font;
    shapes.clear();
}

void LineShapes::setWidth(qreal width)
{
    if (width == lineWidth)
        return;
    lineWidth = width;
    shapes.clear();
}

void LineShapes::forgetIfChanged(const LineWrap &wrap) const
{
    if (wrap.revision() == shapedRevision)
        return;
    shapedRevision = wrap.revision();
    shapes.clear();
    directions.clear();
    lastLine = -1;
}

const LineShapes::Shape &LineShapes::shape(const LineWrap &wrap, int line) const
{
    forgetIfChanged(wrap);
    const qsizetype from = wrap.lineStart(line);
    const auto kept = shapes.find(from);
    if (kept != shapes.end() && kept->second->lineEnd == wrap.lineEnd(line))
        return *kept->second;
    if (shapes.size() >= keptShapes)
        shapes.clear();
    auto shaped = std::make_unique<Shape>();
    fill(*shaped, wrap, line, -1, QString());
    return *(shapes[from] = std::move(shaped));
}

std::unique_ptr<LineShapes::Shape> LineShapes::shapeWithPreedit(const LineWrap &wrap, int line, qsizetype position,
                                                                const QString &preedit) const
{
    forgetIfChanged(wrap);
    auto shaped = std::make_unique<Shape>();
    fill(*shaped, wrap, line, position, preedit);
    return shaped;
}

void LineShapes::fill(Shape &shape, const LineWrap &wrap, int line, qsizetype preeditAt, const QString &preedit) const
{
    const QString &text = wrap.text();
    const qsizetype from = wrap.lineStart(line);
    const qsizetype end = wrap.lineEnd(line);
    qsizetype to = end;
    if (end - from > wholeLineLimit) {
        const qint64 reach = qint64((lineWidth + shapedPastTheEdge) * 64);
        qint64 x = 0;
        to = from;
        while (to < end && x <= reach && to - from < wholeLineLimit)
            x += wrap.advanceAt(to);
        // Whole characters only: a mark goes with the letter it sits on, as
        // far as any letter has marks.
        const qsizetype marksEnd = std::min(end, to + shapedPastTheEdge);
        while (to < marksEnd && text.at(to).isMark())
            ++to;
    }
    shape.from = from;
    shape.to = to;
    shape.lineEnd = end;
    shape.rightToLeft = isRightToLeft(text, paragraphStart(wrap, line));

    QTextOption option;
    option.setTextDirection(shape.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    // Right to left, yet from the left edge, as a plain text box lays it.
    option.setAlignment(Qt::AlignLeft);
    option.setWrapMode(QTextOption::NoWrap);
    QTextLayout &layout = shape.layout;
    layout.setText(text.mid(from, to - from));
    layout.setFont(shapingFont);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    if (preeditAt >= from && preeditAt <= to && !preedit.isEmpty()) {
        layout.setPreeditArea(int(preeditAt - from), preedit);
        QTextLayout::FormatRange composing;
        composing.start = int(preeditAt - from);
        composing.length = int(preedit.size());
        composing.format.setFontUnderline(true);
        layout.setFormats({composing});
    }
    layout.beginLayout();
    QTextLine textLine = layout.createLine();
    if (textLine.isValid()) {
        textLine.setLineWidth(lineWidth);
        textLine.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
}

qsizetype LineShapes::paragraphStart(const LineWrap &wrap, int line) const
{
    // From the line looked at last, when it is this one or one before it,
    // only the lines between need a look.
    const bool fromLast = lastLine >= 0 && lastLine <= line;
    const qsizetype searchFrom = fromLast ? wrap.lineStart(lastLine) : 0;
    const qsizetype start = wrap.lineStart(line);
    const qsizetype lineBreak = QStringView(wrap.text()).mid(searchFrom, start - searchFrom).lastIndexOf(u'\n');
    const qsizetype found = lineBreak >= 0 ? searchFrom + lineBreak + 1 : (fromLast ? lastParagraphStart : 0);
    lastLine = line;
    lastParagraphStart = found;
    return found;
}

// A paragraph runs right to left when its first strong character, outside
// any isolated run, is a right-to-left one, as in any text box.
bool LineShapes::isRightToLeft(const QString &text, qsizetype paragraphStart) const
{
    const auto known = directions.find(paragraphStart);
    if (known != directions.end())
        return known->second;
    bool rightToLeft = false;
    int isolates = 0;
    const qsizetype size = text.size();
    for (qsizetype i = paragraphStart; i < size; ++i) {
        char32_t character = text.at(i).unicode();
        if (character == u'\n')
            break;
        // ASCII holds no right-to-left character and no isolate: of it only
        // the letters are strong. Decimal, all digits and spaces, has none.
        if (character < 0x80) {
            const char32_t lower = character | 0x20;
            if (isolates == 0 && lower >= u'a' && lower <= u'z')
                break;
            continue;
        }
        if (QChar::isHighSurrogate(character) && i + 1 < size && text.at(i + 1).isLowSurrogate())
            character = QChar::surrogateToUcs4(char16_t(character), text.at(++i).unicode());
        const QChar::Direction direction = QChar::direction(character);
        if (direction == QChar::DirLRI || direction == QChar::DirRLI || direction == QChar::DirFSI) {
            ++isolates;
        } else if (direction == QChar::DirPDI) {
            isolates = std::max(0, isolates - 1);
        } else if (isolates == 0
                   && (direction == QChar::DirL || direction == QChar::DirR || direction == QChar::DirAL)) {
            rightToLeft = direction != QChar::DirL;
            break;
        }
    }
    directions.emplace(paragraphStart, rightToLeft);
    return rightToLeft;
}
