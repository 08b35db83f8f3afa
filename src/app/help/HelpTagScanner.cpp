// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HelpTagScanner.h"

#include <QTextDocumentFragment>

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isNameChar(QChar c)
{
    return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u':' || c == u'_';
}

} // namespace

// Character references are rare in attributes; when there are some, the
// rich-text reader knows them all.
QString decodeHelpAttribute(const QString &value)
{
    if (!value.contains(u'&'))
        return value;
    QString escaped = value;
    escaped.replace(u'<', QStringLiteral("&lt;"));
    return QTextDocumentFragment::fromHtml(escaped).toPlainText();
}

int HelpTagScanner::lineAt(qsizetype pos)
{
    // Lines are counted incrementally: the scanner only moves forward.
    while (countedTo < pos && countedTo < text.size()) {
        if (text.at(countedTo) == u'\n')
            ++countedLine;
        ++countedTo;
    }
    return countedLine;
}

std::optional<HelpTag> HelpTagScanner::nextTag(qsizetype &pos)
{
    while (!error) {
        pos = text.indexOf(u'<', pos);
        if (pos < 0) {
            pos = text.size();
            return std::nullopt;
        }
        if (text.mid(pos, 4) == QStringLiteral("<!--")) {
            const qsizetype close = text.indexOf(QStringLiteral("-->"), pos + 4);
            if (close < 0) {
                fail(pos, QStringLiteral("a comment is never closed (\"-->\" is missing)"));
                return std::nullopt;
            }
            pos = close + 3;
            continue;
        }
        const QChar next = pos + 1 < text.size() ? text.at(pos + 1) : QChar();
        if (next == u'!' || next == u'?') {
            const qsizetype close = text.indexOf(u'>', pos);
            if (close < 0) {
                fail(pos, QStringLiteral("a declaration is never closed (\">\" is missing)"));
                return std::nullopt;
            }
            pos = close + 1;
            continue;
        }
        const bool closing = next == u'/';
        const qsizetype nameAt = pos + (closing ? 2 : 1);
        if (nameAt >= text.size() || !isAsciiLetter(text.at(nameAt))) {
            // A lone '<' in running text, as in "a < b".
            ++pos;
            continue;
        }
        return readTag(pos, closing, nameAt);
    }
    return std::nullopt;
}

std::optional<QString> HelpTagScanner::rawContent(qsizetype &pos, const QString &name)
{
    const qsizetype close = text.indexOf(QStringLiteral("</") + name, pos, Qt::CaseInsensitive);
    if (close < 0) {
        fail(pos, QStringLiteral("a <%1> element is never closed").arg(name));
        return std::nullopt;
    }
    const QString content = text.mid(pos, close - pos);
    const qsizetype gt = text.indexOf(u'>', close);
    pos = gt < 0 ? text.size() : gt + 1;
    return content;
}

void HelpTagScanner::fail(qsizetype pos, const QString &what)
{
    if (!error)
        error = QStringLiteral("line %1: %2").arg(lineAt(pos)).arg(what);
}

void HelpTagScanner::skipBlanks(qsizetype &pos) const
{
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
}

std::optional<HelpTag> HelpTagScanner::readTag(qsizetype begin, bool closing, qsizetype pos)
{
    HelpTag tag;
    tag.begin = begin;
    tag.closing = closing;
    const qsizetype nameStart = pos;
    while (pos < text.size() && isNameChar(text.at(pos)))
        ++pos;
    tag.name = text.mid(nameStart, pos - nameStart).toLower();

    while (true) {
        skipBlanks(pos);
        if (pos >= text.size()) {
            fail(begin, QStringLiteral("the tag <%1 is never closed (\">\" is missing)").arg(tag.name));
            return std::nullopt;
        }
        const QChar c = text.at(pos);
        if (c == u'>') {
            tag.end = pos + 1;
            return tag;
        }
        if (c == u'/') {
            ++pos;
            continue;
        }
        // An attribute: a name, then perhaps = and a value.
        const qsizetype attrStart = pos;
        while (pos < text.size() && !text.at(pos).isSpace() && text.at(pos) != u'=' && text.at(pos) != u'>'
               && text.at(pos) != u'/')
            ++pos;
        if (pos == attrStart) // a stray character such as '=' on its own
            ++pos;
        const QString attrName = text.mid(attrStart, pos - attrStart).toLower();
        skipBlanks(pos);
        QString value;
        if (pos < text.size() && text.at(pos) == u'=') {
            ++pos;
            skipBlanks(pos);
            if (pos < text.size() && (text.at(pos) == u'"' || text.at(pos) == u'\'')) {
                const QChar quote = text.at(pos);
                const qsizetype close = text.indexOf(quote, pos + 1);
                if (close < 0) {
                    fail(attrStart,
                         QStringLiteral("the value of %1 is never closed (a quote is missing)").arg(attrName));
                    return std::nullopt;
                }
                value = text.mid(pos + 1, close - pos - 1);
                pos = close + 1;
            } else {
                const qsizetype valueStart = pos;
                while (pos < text.size() && !text.at(pos).isSpace() && text.at(pos) != u'>')
                    ++pos;
                value = text.mid(valueStart, pos - valueStart);
            }
        }
        if (!tag.closing && !tag.attributes.contains(attrName))
            tag.attributes.insert(attrName, decodeHelpAttribute(value));
    }
}
