// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HelpFile.h"

#include "HelpSearch.h"
#include "HelpTagScanner.h"

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

QString plainText(const QString &html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText();
}

QString firstHeading(const QString &html)
{
    static const QRegularExpression heading(QStringLiteral("<h([1-6])\\b[^>]*>(.*?)</h\\1\\s*>"),
                                            QRegularExpression::CaseInsensitiveOption
                                                | QRegularExpression::DotMatchesEverythingOption);
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
            anchors.append(decodeHelpAttribute(id));
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

// Reads a file's topics, its title and its style sheet, tag by tag: a
// topic is a <section> with an id, and what lies between it and its
// </section> is the topic's page.
class TopicReader
{
public:
    explicit TopicReader(const QString &text)
        : text(text)
        , scanner(text)
    {}

    // The first mistake, as "line N: what", or nothing when all is well.
    std::optional<QString> read();

    std::vector<HelpTopic> topics;
    QString sheet;
    QString title;

private:
    bool openTopic(const HelpTag &tag);
    bool closeTopic(const HelpTag &tag);
    void readRawElement(const HelpTag &tag);

    const QString &text;
    HelpTagScanner scanner;
    qsizetype pos = 0;
    std::optional<HelpTopic> open;
    qsizetype contentStart = 0;
    QHash<QString, int> lineOfId;
};

std::optional<QString> TopicReader::read()
{
    while (const std::optional<HelpTag> tag = scanner.nextTag(pos)) {
        pos = tag->end;
        const bool isSection = tag->name == QLatin1String("section");
        if (tag->closing) {
            if (isSection && !closeTopic(*tag))
                break;
        } else if (isSection) {
            if (!openTopic(*tag))
                break;
        } else if (tag->name == QLatin1String("style") || tag->name == QLatin1String("script")
                   || tag->name == QLatin1String("title")) {
            readRawElement(*tag);
        }
    }
    if (!scanner.error && open)
        scanner.fail(text.size(), QStringLiteral("the topic %1 of line %2 is never closed (</section> is missing)")
                                      .arg(quoted(open->id))
                                      .arg(open->line));
    return scanner.error;
}

bool TopicReader::openTopic(const HelpTag &tag)
{
    const int line = scanner.lineAt(tag.begin);
    if (open) {
        scanner.fail(tag.begin, QStringLiteral("a topic starts inside the topic %1 of line %2; "
                                               "topics cannot nest")
                                    .arg(quoted(open->id))
                                    .arg(open->line));
        return false;
    }
    HelpTopic topic;
    topic.line = line;
    topic.id = tag.attributes.value(QStringLiteral("id")).trimmed();
    if (topic.id.isEmpty()) {
        scanner.fail(tag.begin, QStringLiteral("a topic has no id"));
        return false;
    }
    if (lineOfId.contains(topic.id)) {
        scanner.fail(tag.begin, QStringLiteral("the id %1 was already given to the topic of line %2")
                                    .arg(quoted(topic.id))
                                    .arg(lineOfId.value(topic.id)));
        return false;
    }
    lineOfId.insert(topic.id, line);
    topic.title = tag.attributes.value(QStringLiteral("data-title")).simplified();
    topic.keywords = keywordsOf(tag.attributes.value(QStringLiteral("data-keywords")));
    open = std::move(topic);
    contentStart = pos;
    return true;
}

bool TopicReader::closeTopic(const HelpTag &tag)
{
    if (!open) {
        scanner.fail(tag.begin, QStringLiteral("</section> closes no topic"));
        return false;
    }
    open->html = text.mid(contentStart, tag.begin - contentStart);
    if (open->title.isEmpty())
        open->title = firstHeading(open->html);
    if (open->title.isEmpty()) {
        scanner.fail(tag.begin,
                     QStringLiteral("the topic %1 has no title (no data-title and no heading)").arg(quoted(open->id)));
        return false;
    }
    open->anchors = anchorsIn(open->html);
    open->words = searchWords(open->title + u'\n' + plainText(open->html));
    topics.push_back(std::move(*open));
    open.reset();
    return true;
}

void TopicReader::readRawElement(const HelpTag &tag)
{
    // Their content is not markup: a "<section" inside must not count.
    const std::optional<QString> content = scanner.rawContent(pos, tag.name);
    if (!content || open)
        return;
    if (tag.name == QLatin1String("style"))
        sheet += *content;
    else if (tag.name == QLatin1String("title"))
        title = plainText(*content).simplified();
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

    TopicReader reader(text);
    if (const std::optional<QString> error = reader.read())
        return fail(Status::Malformed, QStringLiteral("It is damaged at %1.").arg(*error));
    if (reader.topics.empty())
        return fail(Status::Malformed, QStringLiteral("It holds no topics (no <section> elements)."));

    topicList = std::move(reader.topics);
    sheet = std::move(reader.sheet);
    fileTitle = std::move(reader.title);
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
    std::stable_sort(indexEntries.begin(), indexEntries.end(), [](const HelpIndexEntry &a, const HelpIndexEntry &b) {
        return QString::compare(a.keyword, b.keyword, Qt::CaseInsensitive) < 0;
    });
}

int HelpFile::topicById(const QString &id) const
{
    const auto found =
        std::find_if(topicList.cbegin(), topicList.cend(), [&id](const HelpTopic &topic) { return topic.id == id; });
    return found == topicList.cend() ? -1 : int(found - topicList.cbegin());
}

int HelpFile::topicForAnchor(const QString &anchor) const
{
    const int topic = topicById(anchor);
    if (topic >= 0)
        return topic;
    const auto found = std::find_if(topicList.cbegin(), topicList.cend(),
                                    [&anchor](const HelpTopic &t) { return t.anchors.contains(anchor); });
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
