// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HelpFile.h"

#include "HelpSearch.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTextDocumentFragment>

#include <algorithm>
#include <optional>

namespace {

// Far beyond any manual; a larger file is surely something else picked by
// mistake, and reading it whole would only stall the viewer.
constexpr qint64 largestHelpFile = 32 * 1024 * 1024;

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

// Character references are rare in attributes; when there are some, the
// rich-text reader knows them all.
QString decodeAttribute(const QString &value)
{
    if (!value.contains(u'&'))
        return value;
    QString escaped = value;
    escaped.replace(u'<', QStringLiteral("&lt;"));
    return QTextDocumentFragment::fromHtml(escaped).toPlainText();
}

QString plainText(const QString &html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText();
}

struct Tag
{
    QString name; // lower case
    bool closing = false;
    QHash<QString, QString> attributes; // names in lower case, values decoded
    qsizetype begin = 0;                // the '<'
    qsizetype end = 0;                  // just past the '>'
};

// Walks the file's markup just far enough to find the topics, the title and
// the style sheet. It is our own format, so no repairs: every structural
// mistake stops the reading with a message that gives its line.
class Scanner
{
public:
    explicit Scanner(const QString &text) : text(text) {}

    std::optional<QString> error;

    int lineAt(qsizetype pos)
    {
        // Lines are counted incrementally: the scanner only moves forward.
        while (countedTo < pos && countedTo < text.size()) {
            if (text.at(countedTo) == u'\n')
                ++countedLine;
            ++countedTo;
        }
        return countedLine;
    }

    // The next tag at or after pos, or nothing at the end of the text or on
    // an error. Comments and declarations are stepped over.
    std::optional<Tag> nextTag(qsizetype &pos)
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

    // The raw content of a <style>, <script> or <title> element that starts
    // at pos, which is then moved past its end tag.
    std::optional<QString> rawContent(qsizetype &pos, const QString &name)
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

    void fail(qsizetype pos, const QString &what)
    {
        if (!error)
            error = QStringLiteral("line %1: %2").arg(lineAt(pos)).arg(what);
    }

private:
    static bool isAsciiLetter(QChar c)
    {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    }

    static bool isNameChar(QChar c)
    {
        return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u':' || c == u'_';
    }

    void skipBlanks(qsizetype &pos) const
    {
        while (pos < text.size() && text.at(pos).isSpace())
            ++pos;
    }

    std::optional<Tag> readTag(qsizetype begin, bool closing, qsizetype pos)
    {
        Tag tag;
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
            while (pos < text.size() && !text.at(pos).isSpace() && text.at(pos) != u'='
                   && text.at(pos) != u'>' && text.at(pos) != u'/')
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
                        fail(attrStart, QStringLiteral("the value of %1 is never closed (a quote is missing)")
                                            .arg(attrName));
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
                tag.attributes.insert(attrName, decodeAttribute(value));
        }
    }

    const QString &text;
    qsizetype countedTo = 0;
    int countedLine = 1;
};

QString firstHeading(const QString &html)
{
    static const QRegularExpression heading(
        QStringLiteral("<h([1-6])\\b[^>]*>(.*?)</h\\1\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = heading.match(html);
    return match.hasMatch() ? plainText(match.captured(2)).simplified() : QString();
}

QStringList anchorsIn(const QString &html)
{
    static const QRegularExpression anchor(
        QStringLiteral("\\s(?:id|name)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList anchors;
    for (const QRegularExpressionMatch &match : anchor.globalMatch(html)) {
        QString id = match.captured(1) + match.captured(2) + match.captured(3);
        if (!id.isEmpty())
            anchors.append(decodeAttribute(id));
    }
    return anchors;
}

QStringList keywordsOf(const QString &attribute)
{
    QStringList keywords;
    QSet<QString> seen;
    for (const QString &part : attribute.split(u';')) {
        const QString keyword = part.simplified();
        if (!keyword.isEmpty() && !seen.contains(keyword.toCaseFolded())) {
            seen.insert(keyword.toCaseFolded());
            keywords.append(keyword);
        }
    }
    return keywords;
}

} // namespace

HelpFile::Status HelpFile::load(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return fail(Status::Unreadable, QStringLiteral("It is a folder, not a file."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(Status::Unreadable, file.errorString() + u'.');
    if (file.size() > largestHelpFile)
        return fail(Status::Unreadable, QStringLiteral("It is too large to be a help file."));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(Status::Unreadable, file.errorString() + u'.');
    return parse(bytes);
}

HelpFile::Status HelpFile::parse(const QByteArray &bytes)
{
    *this = HelpFile();

    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError() || text.contains(QChar::Null))
        return fail(Status::Malformed, QStringLiteral("It is not UTF-8 text."));

    Scanner scanner(text);
    std::optional<HelpTopic> open;
    qsizetype contentStart = 0;
    QHash<QString, int> lineOfId;

    qsizetype pos = 0;
    while (const std::optional<Tag> tag = scanner.nextTag(pos)) {
        pos = tag->end;
        if (tag->closing) {
            if (tag->name != QLatin1String("section"))
                continue;
            if (!open) {
                scanner.fail(tag->begin, QStringLiteral("</section> closes no topic"));
                break;
            }
            open->html = text.mid(contentStart, tag->begin - contentStart);
            if (open->title.isEmpty())
                open->title = firstHeading(open->html);
            if (open->title.isEmpty()) {
                scanner.fail(tag->begin,
                             QStringLiteral("the topic %1 has no title (no data-title and no heading)")
                                 .arg(quoted(open->id)));
                break;
            }
            open->anchors = anchorsIn(open->html);
            open->words = searchWords(open->title + u'\n' + plainText(open->html));
            topicList.push_back(std::move(*open));
            open.reset();
            continue;
        }

        if (tag->name == QLatin1String("section")) {
            const int line = scanner.lineAt(tag->begin);
            if (open) {
                scanner.fail(tag->begin, QStringLiteral("a topic starts inside the topic %1 of line %2; "
                                                        "topics cannot nest")
                                             .arg(quoted(open->id))
                                             .arg(open->line));
                break;
            }
            HelpTopic topic;
            topic.line = line;
            topic.id = tag->attributes.value(QStringLiteral("id")).trimmed();
            if (topic.id.isEmpty()) {
                scanner.fail(tag->begin, QStringLiteral("a topic has no id"));
                break;
            }
            if (lineOfId.contains(topic.id)) {
                scanner.fail(tag->begin, QStringLiteral("the id %1 was already given to the topic of line %2")
                                             .arg(quoted(topic.id))
                                             .arg(lineOfId.value(topic.id)));
                break;
            }
            lineOfId.insert(topic.id, line);
            topic.title = tag->attributes.value(QStringLiteral("data-title")).simplified();
            topic.keywords = keywordsOf(tag->attributes.value(QStringLiteral("data-keywords")));
            open = std::move(topic);
            contentStart = pos;
        } else if (tag->name == QLatin1String("style") || tag->name == QLatin1String("script")
                   || tag->name == QLatin1String("title")) {
            // Their content is not markup: a "<section" inside must not count.
            const std::optional<QString> content = scanner.rawContent(pos, tag->name);
            if (!content || open)
                continue;
            if (tag->name == QLatin1String("style"))
                sheet += *content;
            else if (tag->name == QLatin1String("title"))
                fileTitle = plainText(*content).simplified();
        }
    }

    if (!scanner.error && open)
        scanner.fail(text.size(), QStringLiteral("the topic %1 of line %2 is never closed (</section> is missing)")
                                      .arg(quoted(open->id))
                                      .arg(open->line));
    if (scanner.error)
        return fail(Status::Malformed, QStringLiteral("It is damaged at %1.").arg(*scanner.error));
    if (topicList.empty())
        return fail(Status::Malformed, QStringLiteral("It holds no topics (no <section> elements)."));

    buildIndex();
    return Status::Loaded;
}

HelpFile::Status HelpFile::fail(Status status, const QString &why)
{
    *this = HelpFile();
    problemText = why;
    return status;
}

void HelpFile::buildIndex()
{
    QHash<QString, qsizetype> entryOf; // case-folded keyword to its entry
    for (int t = 0; t < int(topicList.size()); ++t) {
        for (const QString &keyword : topicList[t].keywords) {
            const QString key = keyword.toCaseFolded();
            if (!entryOf.contains(key)) {
                entryOf.insert(key, qsizetype(indexEntries.size()));
                indexEntries.push_back({keyword, {}});
            }
            indexEntries[entryOf.value(key)].topics.append(t);
        }
    }
    std::stable_sort(indexEntries.begin(), indexEntries.end(),
                     [](const HelpIndexEntry &a, const HelpIndexEntry &b) {
                         return QString::compare(a.keyword, b.keyword, Qt::CaseInsensitive) < 0;
                     });
}

int HelpFile::topicById(const QString &id) const
{
    const auto found = std::find_if(topicList.cbegin(), topicList.cend(),
                                    [&id](const HelpTopic &topic) { return topic.id == id; });
    return found == topicList.cend() ? -1 : int(found - topicList.cbegin());
}

int HelpFile::topicForAnchor(const QString &anchor) const
{
    const int topic = topicById(anchor);
    if (topic >= 0)
        return topic;
    const auto found = std::find_if(topicList.cbegin(), topicList.cend(), [&anchor](const HelpTopic &t) {
        return t.anchors.contains(anchor);
    });
    return found == topicList.cend() ? -1 : int(found - topicList.cbegin());
}

QList<int> HelpFile::search(const QString &query) const
{
    const SearchQuery parsed(query);
    QList<int> found;
    if (parsed.isEmpty())
        return found;
    for (int t = 0; t < int(topicList.size()); ++t) {
        if (parsed.matches(topicList[t].words))
            found.append(t);
    }
    return found;
}
