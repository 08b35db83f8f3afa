// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TextEditModel.h"

#include <QTextBoundaryFinder>

namespace {

// A character seldom spans more than a few code units, so the boundary
// finder first looks this far either side of the caret, and further only
// when the character is longer.
constexpr qsizetype characterReach = 32;

// Below the first combining mark no character joins another, except a
// carriage return with its line feed.
bool standsAlone(QChar character)
{
    return character.unicode() < 0x300 && character != u'\r';
}

// The character boundary after (or before) offset. The finder sees only a
// window of the text: the window's own ends look like boundaries to it, so
// one found there counts only at the ends of the text, and otherwise the
// window grows.
qsizetype characterBoundary(const QString &text, qsizetype offset, bool forward)
{
    const qsizetype size = text.size();
    for (qsizetype reach = characterReach;; reach *= 4) {
        qsizetype from = std::max<qsizetype>(0, offset - reach);
        qsizetype to = std::min(size, offset + reach);
        if (from > 0 && text.at(from).isLowSurrogate())
            --from;
        if (to < size && text.at(to).isLowSurrogate())
            ++to;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData() + from, to - from);
        finder.setPosition(offset - from);
        const qsizetype found = forward ? finder.toNextBoundary() : finder.toPreviousBoundary();
        if (found >= 0) {
            const qsizetype at = from + found;
            if (forward ? at < to || to == size : at > from || from == 0)
                return at;
        }
        if (from == 0 && to == size)
            return forward ? size : 0;
    }
}

bool isCharacterBoundary(const QString &text, qsizetype offset)
{
    if (offset <= 0 || offset >= text.size())
        return true;
    if (standsAlone(text.at(offset)) && standsAlone(text.at(offset - 1)))
        return true;
    return TextEditModel::previousCharacter(text, TextEditModel::nextCharacter(text, offset)) == offset;
}

// Punctuation that stops a word step as the desktop's text boxes stop.
bool isWordSeparator(QChar character)
{
    switch (character.unicode()) {
    case u'.':
    case u',':
    case u'?':
    case u'!':
    case u'@':
    case u'#':
    case u'$':
    case u':':
    case u';':
    case u'-':
    case u'<':
    case u'>':
    case u'[':
    case u']':
    case u'(':
    case u')':
    case u'{':
    case u'}':
    case u'=':
    case u'/':
    case u'+':
    case u'%':
    case u'&':
    case u'^':
    case u'*':
    case u'\'':
    case u'"':
    case u'`':
    case u'~':
    case u'|':
    case u'\\':
        return true;
    default:
        return false;
    }
}

// Spaces within a line; a line break is a stop of its own.
bool isSpaceAt(const QString &text, qsizetype offset)
{
    const QChar character = text.at(offset);
    return character != u'\n' && character.isSpace();
}

bool isWordAt(const QString &text, qsizetype offset)
{
    const QChar character = text.at(offset);
    return !character.isSpace() && !isWordSeparator(character);
}

// The end of the word that starts at offset: a run of punctuation, or of
// anything else but spaces.
qsizetype wordEnd(const QString &text, qsizetype offset)
{
    const qsizetype size = text.size();
    if (offset < size && isWordSeparator(text.at(offset))) {
        while (offset < size && isWordSeparator(text.at(offset)))
            ++offset;
    } else {
        while (offset < size && isWordAt(text, offset))
            ++offset;
    }
    return offset;
}

qsizetype previousWordStart(const QString &text, qsizetype offset)
{
    if (offset <= 0)
        return 0;
    if (text.at(offset - 1) == u'\n')
        return offset - 1;
    while (offset > 0 && isSpaceAt(text, offset - 1))
        --offset;
    if (offset > 0 && isWordSeparator(text.at(offset - 1))) {
        while (offset > 0 && isWordSeparator(text.at(offset - 1)))
            --offset;
    } else {
        while (offset > 0 && isWordAt(text, offset - 1))
            --offset;
    }
    return offset;
}

} // namespace

qsizetype TextEditModel::nextCharacter(const QString &text, qsizetype offset)
{
    if (offset >= text.size())
        return text.size();
    offset = std::max<qsizetype>(0, offset);
    if (standsAlone(text.at(offset)) && (offset + 1 == text.size() || standsAlone(text.at(offset + 1))))
        return offset + 1;
    return characterBoundary(text, offset, true);
}

qsizetype TextEditModel::previousCharacter(const QString &text, qsizetype offset)
{
    if (offset <= 0)
        return 0;
    offset = std::min(offset, text.size());
    if (standsAlone(text.at(offset - 1)) && (offset == 1 || standsAlone(text.at(offset - 2))))
        return offset - 1;
    return characterBoundary(text, offset, false);
}

// A step stops after a run of punctuation or of other characters, then skips
// the spaces that follow; a line break is a stop either side. A stop inside
// a character (punctuation with an accent on it) moves on past it.
qsizetype TextEditModel::nextWord(const QString &text, qsizetype offset)
{
    const qsizetype size = text.size();
    offset = std::clamp<qsizetype>(offset, 0, size);
    if (offset == size)
        return size;
    if (text.at(offset) == u'\n')
        return offset + 1;
    offset = wordEnd(text, offset);
    while (offset < size && isSpaceAt(text, offset))
        ++offset;
    return isCharacterBoundary(text, offset) ? offset : nextCharacter(text, offset);
}

qsizetype TextEditModel::previousWord(const QString &text, qsizetype offset)
{
    offset = previousWordStart(text, std::clamp<qsizetype>(offset, 0, text.size()));
    return isCharacterBoundary(text, offset) ? offset : previousCharacter(text, offset);
}

// As the desktop's text boxes pick it: the word that ends at offset or runs
// through it, the punctuation run there, or nothing between spaces. Between
// a word and the spaces after it, the word.
std::pair<qsizetype, qsizetype> TextEditModel::wordAround(const QString &text, qsizetype offset)
{
    const qsizetype size = text.size();
    offset = std::clamp<qsizetype>(offset, 0, size);
    const bool atLineStart = offset == 0 || text.at(offset - 1) == u'\n';
    const bool atLineEnd = offset == size || text.at(offset) == u'\n';
    qsizetype start = offset;
    if (!atLineStart && !(atLineEnd && !isWordAt(text, offset - 1)))
        start = previousWordStart(text, atLineEnd ? offset : offset + 1);
    return {start, wordEnd(text, start)};
}
