// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "LineWrap.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Asked for "every line", the line count plus two must still fit an int.
constexpr int allLines = std::numeric_limits<int>::max() - 2;
constexpr qsizetype noLimit = std::numeric_limits<qsizetype>::max();

} // namespace

LineWrap::Measure LineWrap::fontMeasure(const QFont &font)
{
    return [metrics = QFontMetricsF(font)](char32_t character) {
        // Beyond Latin-1 a character is measured as a string, so one the
        // font lacks takes the width of the font that draws it.
        const qreal pixels = character < 256 ? metrics.horizontalAdvance(QChar(character))
                                             : metrics.horizontalAdvance(QString::fromUcs4(&character, 1));
        return qRound(pixels * 64);
    };
}

void LineWrap::setText(const QString &text)
{
    followed = nullptr;
    wholeText = text;
    restart();
}

void LineWrap::followText(const QString &text)
{
    followed = &text;
    wholeText.clear();
    restart();
}

void LineWrap::replace(qsizetype position, qsizetype removedLength, const QString &inserted)
{
    Q_ASSERT(!followed);
    wholeText.replace(position, removedLength, inserted);
    restartFrom(position);
}

void LineWrap::setMeasure(Measure newMeasure)
{
    measure = std::move(newMeasure);
    latin1Measured = false;
    otherAdvances.clear();
    restart();
}

bool LineWrap::setWidth(int width)
{
    if (width == lineWidth)
        return false;
    lineWidth = width;
    restart();
    return true;
}

void LineWrap::setTabStop(int units)
{
    if (units == tabStop || units <= 0)
        return;
    tabStop = units;
    restart();
}

void LineWrap::restart()
{
    ++changes;
    lineStarts.assign(1, 0);
    // After one huge text a run of small ones should not keep its index.
    if (lineStarts.capacity() > 4096)
        lineStarts.shrink_to_fit();
    progress = {};
    complete = false;
}

void LineWrap::restartFrom(qsizetype offset)
{
    ++changes;
    // A change beyond where the layout has reached leaves it as it is.
    if (complete || offset <= progress.next) {
        const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
        const auto kept = std::max<std::ptrdiff_t>(1, (after - lineStarts.begin()) - 1);
        lineStarts.resize(size_t(kept));
        progress = {lineStarts.back(), -1, 0, 0};
    }
    complete = false;
}

void LineWrap::measureLatin1() const
{
    if (latin1Measured)
        return;
    for (char32_t code = 0; code < 256; ++code)
        latin1Advances[code] = measure ? measure(code) : 0;
    latin1Measured = true;
}

int LineWrap::advance(char32_t character) const
{
    if (character < 256) {
        measureLatin1();
        return latin1Advances[character];
    }
    const auto known = otherAdvances.constFind(character);
    if (known != otherAdvances.constEnd())
        return *known;
    const int units = measure ? measure(character) : 0;
    otherAdvances.insert(character, units);
    return units;
}

int LineWrap::advanceAt(qsizetype &offset) const
{
    const char16_t unit = text().at(offset).unicode();
    ++offset;
    if (QChar::isHighSurrogate(unit) && offset < text().size() && QChar::isLowSurrogate(text().at(offset).unicode())) {
        const char32_t character = QChar::surrogateToUcs4(unit, text().at(offset).unicode());
        ++offset;
        return advance(character);
    }
    return advance(unit);
}

void LineWrap::layOutThroughLine(int line)
{
    if (!complete && lineCount() <= line + 1)
        layOutMore(line, noLimit, noLimit);
}

void LineWrap::layOutThroughOffset(qsizetype offset)
{
    if (!complete && lineStarts.back() <= offset)
        layOutMore(allLines, offset, noLimit);
}

void LineWrap::layOutSlice(qsizetype characters)
{
    layOutMore(allLines, noLimit, characters);
}

// The work is linear in what is laid out, and it stops as soon as the lines
// asked for are known: through a line, through the line that holds an
// offset, or after a budget of characters.
void LineWrap::layOutMore(int throughLine, qsizetype throughOffset, qsizetype characterBudget)
{
    if (complete)
        return;
    measureLatin1();
    const int limit = lineWidth;
    const auto *const chars = reinterpret_cast<const char16_t *>(text().constData());
    const qsizetype size = text().size();
    const qsizetype stop = size - progress.next > characterBudget ? progress.next + characterBudget : size;
    const size_t enough = size_t(throughLine) + 2;

    qsizetype start = lineStarts.back();
    qsizetype breakAfter = progress.breakAfter;
    int x = progress.x;
    int xAtBreak = progress.xAtBreak;
    qsizetype i = progress.next;
    while (i < stop && lineStarts.size() < enough && start <= throughOffset) {
        const char16_t unit = chars[i];
        qsizetype next = i + 1;
        int width;
        if (unit < 256) {
            if (unit == u'\n') {
                start = next;
                lineStarts.push_back(start);
                x = 0;
                breakAfter = -1;
                i = next;
                continue;
            }
            // A tab reaches the next stop from where it stands.
            width = unit == u'\t' ? tabStop - x % tabStop : latin1Advances[unit];
            if (unit == u' ') {
                x += width;
                breakAfter = next;
                xAtBreak = x;
                i = next;
                continue;
            }
        } else {
            char32_t character = unit;
            if (QChar::isHighSurrogate(unit) && next < size && QChar::isLowSurrogate(chars[next])) {
                character = QChar::surrogateToUcs4(unit, chars[next]);
                ++next;
            }
            width = advance(character);
        }
        if (x + width > limit && i > start) {
            if (breakAfter > start) {
                x -= xAtBreak;
                start = breakAfter;
            } else {
                x = 0;
                start = i;
            }
            lineStarts.push_back(start);
            breakAfter = -1;
            if (unit == u'\t')
                width = tabStop - x % tabStop;
        }
        x += width;
        if (unit == u'\t') {
            breakAfter = next;
            xAtBreak = x;
        }
        i = next;
    }
    progress = {i, breakAfter, x, xAtBreak};
    complete = i >= size;
}

qsizetype LineWrap::lineEnd(int line) const
{
    if (line + 1 >= lineCount())
        return complete ? text().size() : progress.next;
    const qsizetype next = lineStart(line + 1);
    return text().at(next - 1) == u'\n' ? next - 1 : next;
}

bool LineWrap::isWrapped(int line) const
{
    return line + 1 < lineCount() && text().at(lineStart(line + 1) - 1) != u'\n';
}

int LineWrap::lineOf(qsizetype offset)
{
    layOutThroughOffset(offset);
    const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
    return std::max(0, int(after - lineStarts.begin()) - 1);
}

int LineWrap::estimatedLineCount() const
{
    if (complete || progress.next == 0)
        return lineCount();
    const double linesPerCharacter = double(lineCount()) / double(progress.next);
    const double rest = double(text().size() - progress.next) * linesPerCharacter;
    return int(std::min<double>(lineCount() + std::ceil(rest), std::numeric_limits<int>::max() / 2));
}
