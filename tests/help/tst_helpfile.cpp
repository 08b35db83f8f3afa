// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HelpTestFiles.h"

#include "app/help/HelpFile.h"
#include "app/help/HelpLocation.h"
#include "app/help/HelpSearch.h"
#include "app/help/HelpTagScanner.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QtTest>

// Reading the help file format: topics, titles, keywords, the index, the
// search, and the reasons a file is refused.
class tst_HelpFile : public QObject
{
    Q_OBJECT

private:
    static QStringList ids(const HelpFile &file, const QList<int> &topics)
    {
        QStringList result;
        for (const int topic : topics)
            result.append(file.topics()[topic].id);
        return result;
    }

private slots:
    void shouldReadTopicsInFileOrder()
    {
        HelpFile file;
        QCOMPARE(file.parse(threeTopicHelpFile()), HelpFile::Status::Loaded);
        QVERIFY(file.problem().isEmpty());

        QCOMPARE(file.topics().size(), size_t(3));
        QCOMPARE(ids(file, {0, 1, 2}), (QStringList{"first", "formats", "errors"}));
        QCOMPARE(file.topics()[0].title, QStringLiteral("First steps"));
        QCOMPARE(file.topics()[0].keywords, (QStringList{"start", "loopback"}));
        QCOMPARE(file.topics()[0].line, 6);
        QVERIFY(file.topics()[1].html.contains(QStringLiteral("48 69")));
        QVERIFY(!file.topics()[1].html.contains(QStringLiteral("<section")));
        QCOMPARE(file.title(), QStringLiteral("Test Help"));
        QVERIFY(file.styleSheet().contains(QStringLiteral("font-size: large")));
    }

    void shouldTakeTheTitleFromAttributeOrHeading_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QString>("title");

        QTest::newRow("data-title") << QByteArray("<section id='a' data-title='Given title'><h1>Heading</h1></section>")
                                    << "Given title";
        QTest::newRow("first heading when no data-title")
            << QByteArray("<section id='a'><p>intro</p><h2 class='x'>The <b>heading</b></h2><h1>Later</h1></section>")
            << "The heading";
        QTest::newRow("empty data-title falls back")
            << QByteArray("<section id='a' data-title=' '><h3>Third</h3></section>") << "Third";
        QTest::newRow("entities decoded")
            << QByteArray("<section id='a' data-title='Tx &amp; Rx &lt;formats&gt;'></section>") << "Tx & Rx <formats>";
        QTest::newRow("blanks collapsed")
            << QByteArray("<section id='a' data-title='  Two\n   words '></section>") << "Two words";
        QTest::newRow("upper-case markup")
            << QByteArray("<SECTION ID=\"a\" DATA-TITLE=\"Shouted\"></SECTION>") << "Shouted";
        QTest::newRow("unquoted attributes") << QByteArray("<section id=a data-title=Bare></section>") << "Bare";
        QTest::newRow("quote inside other quotes")
            << QByteArray("<section id='a' data-title=\"Don't panic\"></section>") << "Don't panic";
        QTest::newRow("greater-than inside a quoted value")
            << QByteArray("<section id='a' data-title='a > b'></section>") << "a > b";
    }

    void shouldTakeTheTitleFromAttributeOrHeading()
    {
        QFETCH(QByteArray, section);
        QFETCH(QString, title);

        HelpFile file;
        QCOMPARE(file.parse(section), HelpFile::Status::Loaded);
        QCOMPARE(file.topics().size(), size_t(1));
        QCOMPARE(file.topics()[0].id, QStringLiteral("a"));
        QCOMPARE(file.topics()[0].title, title);
    }

    void shouldSplitKeywordsAtSemicolons()
    {
        HelpFile file;
        QCOMPARE(file.parse("<section id='a' data-title='A' "
                            "data-keywords=' port, in use ;;TCP;  tcp ; two   words ;'></section>"),
                 HelpFile::Status::Loaded);
        // A comma belongs to the keyword; a repeat in another case is dropped.
        QCOMPARE(file.topics()[0].keywords, (QStringList{"port, in use", "TCP", "two words"}));
    }

    void shouldIgnoreMarkupThatIsNotATopic()
    {
        HelpFile file;
        QCOMPARE(file.parse("<!-- <section id='gone' data-title='Gone'></section> -->\n"
                            "<script>var s = '<section id=\"script\">';</script>\n"
                            "<style>/* <section> */ p { color: black; }</style>\n"
                            "<section id='kept' data-title='Kept'><p>1 < 2 and <br/> more</p></section>\n"),
                 HelpFile::Status::Loaded);
        QCOMPARE(file.topics().size(), size_t(1));
        QCOMPARE(file.topics()[0].id, QStringLiteral("kept"));
        QVERIFY(file.styleSheet().contains(QStringLiteral("color: black")));
    }

    void shouldScanOnlyRealTags_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QStringList>("tags");
        QTest::newRow("opening and closing") << QStringLiteral("<p>a</p>") << QStringList{"p", "/p"};
        QTest::newRow("names in lower case") << QStringLiteral("<SECTION id=x>") << QStringList{"section"};
        QTest::newRow("comments stepped over") << QStringLiteral("<!-- <b> --><i>") << QStringList{"i"};
        QTest::newRow("declarations stepped over") << QStringLiteral("<!DOCTYPE html><?xml?><i>") << QStringList{"i"};
        QTest::newRow("a lone less-than is text") << QStringLiteral("1 < 2 <em>") << QStringList{"em"};
        QTest::newRow("a greater-than in a quoted value")
            << QStringLiteral("<a title='x > y'><b>") << QStringList{"a", "b"};
        QTest::newRow("self-closing") << QStringLiteral("<br/><hr />") << QStringList{"br", "hr"};
        QTest::newRow("nothing") << QStringLiteral("plain text") << QStringList{};
    }

    void shouldScanOnlyRealTags()
    {
        QFETCH(QString, markup);
        QFETCH(QStringList, tags);
        HelpTagScanner scanner(markup);
        QStringList found;
        qsizetype pos = 0;
        while (const std::optional<HelpTag> tag = scanner.nextTag(pos)) {
            found << (tag->closing ? u'/' + tag->name : tag->name);
            pos = tag->end;
        }
        QCOMPARE(scanner.error, std::nullopt);
        QCOMPARE(found, tags);
    }

    void shouldDecodeAttributes_data()
    {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::newRow("double quotes") << QStringLiteral("<a href=\"#x\">") << "href"
                                       << "#x";
        QTest::newRow("single quotes") << QStringLiteral("<a href='#x'>") << "href"
                                       << "#x";
        QTest::newRow("unquoted") << QStringLiteral("<a href=#x>") << "href"
                                  << "#x";
        QTest::newRow("names in lower case") << QStringLiteral("<a HREF='#x'>") << "href"
                                             << "#x";
        QTest::newRow("character references") << QStringLiteral("<a title='a &amp; b &lt;c&gt;'>") << "title"
                                              << "a & b <c>";
        QTest::newRow("the first of two wins") << QStringLiteral("<a id=one id=two>") << "id"
                                               << "one";
        QTest::newRow("no value") << QStringLiteral("<input hidden>") << "hidden"
                                  << "";
    }

    void shouldDecodeAttributes()
    {
        QFETCH(QString, markup);
        QFETCH(QString, name);
        QFETCH(QString, value);
        HelpTagScanner scanner(markup);
        qsizetype pos = 0;
        const std::optional<HelpTag> tag = scanner.nextTag(pos);
        QVERIFY(tag);
        QVERIFY(tag->attributes.contains(name));
        QCOMPARE(tag->attributes.value(name), value);
    }

    void shouldRefuseAMalformedFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");

        QTest::newRow("empty file") << QByteArray() << "holds no topics";
        QTest::newRow("html without topics")
            << QByteArray("<html><body><p>Hello</p></body></html>") << "holds no topics";
        QTest::newRow("topic without id")
            << QByteArray("<html>\n<section data-title='A'></section>") << "line 2: a topic has no id";
        QTest::newRow("two topics with one id")
            << QByteArray("<section id='a' data-title='A'></section>\n<section id='a' data-title='B'></section>")
            << "line 2: the id \"a\" was already given to the topic of line 1";
        QTest::newRow("topic inside a topic") << QByteArray(
            "<section id='outer' data-title='A'>\n\n<section id='inner' data-title='B'></section></section>")
                                              << "line 3: a topic starts inside the topic \"outer\" of line 1";
        QTest::newRow("topic never closed") << QByteArray("<section id='a' data-title='A'>\n<p>text</p>\n")
                                            << "the topic \"a\" of line 1 is never closed";
        QTest::newRow("end tag without topic") << QByteArray("<section id='a' data-title='A'></section>\n</section>")
                                               << "line 2: </section> closes no topic";
        QTest::newRow("topic without title")
            << QByteArray("<section id='a'><p>No heading</p></section>") << "the topic \"a\" has no title";
        QTest::newRow("comment never closed")
            << QByteArray("<section id='a' data-title='A'></section>\n<!-- <section id='b'>")
            << "line 2: a comment is never closed";
        QTest::newRow("tag never closed")
            << QByteArray("<section id='a' data-title='A'\n") << "line 1: the tag <section is never closed";
        QTest::newRow("quote never closed")
            << QByteArray("\n<section id='a data-title=A></section>") << "line 2: the value of id is never closed";
        QTest::newRow("style never closed") << QByteArray("<style> p {}\n<section id='a' data-title='A'></section>")
                                            << "a <style> element is never closed";
        QTest::newRow("not UTF-8") << QByteArray("<section id='a' data-title='Caf\xe9'></section>")
                                   << "It is not UTF-8 text";
        QTest::newRow("binary with NUL bytes")
            << QByteArray("<section id='a' data-title='A'>") + QByteArray(2, '\0') + "</section>"
            << "It is not UTF-8 text";
    }

    void shouldRefuseAMalformedFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);

        HelpFile file;
        QCOMPARE(file.parse(content), HelpFile::Status::Malformed);
        QVERIFY2(file.problem().contains(reason), qPrintable(file.problem()));
        QVERIFY(file.topics().empty());
        QVERIFY(file.index().empty());
    }

    void shouldForgetAnEarlierFileWhenARefusedOneIsRead()
    {
        HelpFile file;
        QCOMPARE(file.parse(threeTopicHelpFile()), HelpFile::Status::Loaded);
        QCOMPARE(file.parse("<p>nothing</p>"), HelpFile::Status::Malformed);
        QVERIFY(file.topics().empty());
        QVERIFY(file.title().isEmpty());
        QCOMPARE(file.parse(threeTopicHelpFile()), HelpFile::Status::Loaded);
        QVERIFY(file.problem().isEmpty());
    }

    void shouldListKeywordsAlphabeticallyWithTheirTopics()
    {
        HelpFile file;
        QCOMPARE(file.parse(threeTopicHelpFile()), HelpFile::Status::Loaded);

        QStringList keywords;
        for (const HelpIndexEntry &entry : file.index())
            keywords.append(entry.keyword);
        QCOMPARE(keywords, (QStringList{"decimal", "Hex", "loopback", "port in use", "refused, connection", "start"}));

        // "start" and "Start" are one keyword shared by two topics.
        const HelpIndexEntry &start = file.index().back();
        QCOMPARE(ids(file, start.topics), (QStringList{"first", "formats"}));
        QCOMPARE(ids(file, file.index().front().topics), QStringList{"formats"});
    }

    void shouldFindTheTopicOfAnAnchor_data()
    {
        QTest::addColumn<QString>("anchor");
        QTest::addColumn<QString>("topic");

        QTest::newRow("topic id") << "formats"
                                  << "formats";
        QTest::newRow("named anchor inside a topic") << "refused"
                                                     << "errors";
        QTest::newRow("unknown anchor") << "nowhere"
                                        << "";
        QTest::newRow("ids are case-sensitive") << "Formats"
                                                << "";
    }

    void shouldFindTheTopicOfAnAnchor()
    {
        QFETCH(QString, anchor);
        QFETCH(QString, topic);

        HelpFile file;
        QCOMPARE(file.parse(threeTopicHelpFile()), HelpFile::Status::Loaded);
        const int found = file.topicForAnchor(anchor);
        QCOMPARE(found < 0 ? QString() : file.topics()[found].id, topic);
    }

    void shouldSplitTextIntoSearchWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");

        QTest::newRow("punctuation separates") << "Listen, then: connect!" << QStringList{"listen", "then", "connect"};
        QTest::newRow("case folded") << "HEX Hex hex" << QStringList{"hex", "hex", "hex"};
        QTest::newRow("digits are words") << "127.0.0.1:4000" << QStringList{"127", "0", "0", "1", "4000"};
        QTest::newRow("letters beyond ASCII") << "Größe café" << QStringList{"größe", "café"};
        QTest::newRow("nothing but blanks") << " \t\n " << QStringList{};
    }

    void shouldSplitTextIntoSearchWords()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QCOMPARE(searchWords(text), words);
    }

    void shouldFindExactlyTheTopicsHoldingTheWords_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("topics");

        QTest::newRow("word in one topic") << "bytes" << QStringList{"formats"};
        QTest::newRow("word in two topics") << "Listen" << QStringList{"first", "errors"};
        QTest::newRow("case does not matter") << "HEX" << QStringList{"formats"};
        QTest::newRow("whole words only") << "list" << QStringList{};
        QTest::newRow("no longer forms") << "listening" << QStringList{};
        QTest::newRow("every word must occur") << "port refuses" << QStringList{"errors"};
        QTest::newRow("words from different topics") << "hex refuses" << QStringList{};
        QTest::newRow("quoted phrase") << "\"remote port\"" << QStringList{"errors"};
        QTest::newRow("phrase keeps its order") << "\"port remote\"" << QStringList{};
        QTest::newRow("dotted address as a phrase") << "127.0.0.1" << QStringList{"first"};
        QTest::newRow("punctuation around a word") << "(bytes)." << QStringList{"formats"};
        QTest::newRow("title words count") << "wrong" << QStringList{"errors"};
        QTest::newRow("markup is not text") << "href" << QStringList{};
        QTest::newRow("keywords are not text") << "loopback" << QStringList{};
        QTest::newRow("empty query") << "" << QStringList{};
        QTest::newRow("punctuation only") << "?! ..." << QStringList{};
        QTest::newRow("unclosed quote") << "\"remote port" << QStringList{"errors"};
    }

    void shouldFindExactlyTheTopicsHoldingTheWords()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, topics);

        HelpFile file;
        QCOMPARE(file.parse(threeTopicHelpFile()), HelpFile::Status::Loaded);
        QCOMPARE(ids(file, file.search(query)), topics);
    }

    void shouldReportAFileThatCannotBeRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");

        QTest::newRow("missing file") << "none.HLP"
                                      << "";
        QTest::newRow("a folder") << "folder.HLP"
                                  << "It is a folder, not a file.";
    }

    void shouldReportAFileThatCannotBeRead()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.HLP")));

        HelpFile file;
        QCOMPARE(file.load(dir.filePath(name)), HelpFile::Status::Unreadable);
        QVERIFY(!file.problem().isEmpty());
        QVERIFY2(file.problem().contains(reason), qPrintable(file.problem()));
    }

    void shouldLookBesideTheProgramThenInTheDataFolder_data()
    {
        QTest::addColumn<QString>("helpFile");
        QTest::addColumn<bool>("bare");

        QTest::newRow("bare name") << "Vortlane.HLP" << true;
        QTest::newRow("relative path") << "docs/Vortlane.HLP" << false;
        QTest::newRow("absolute path") << "/nowhere/Vortlane.HLP" << false;
    }

    void shouldLookBesideTheProgramThenInTheDataFolder()
    {
        QFETCH(QString, helpFile);
        QFETCH(bool, bare);

        const QStringList candidates = helpFileCandidates(helpFile);
        if (!bare) {
            QCOMPARE(candidates, QStringList{helpFile});
            return;
        }
        QCOMPARE(candidates.size(), 2);
        QCOMPARE(candidates[0], QDir(QCoreApplication::applicationDirPath()).filePath(helpFile));
        QVERIFY(QDir::isAbsolutePath(candidates[1]));
        QVERIFY(candidates[1].endsWith(QStringLiteral("/vortlane/") + helpFile));
    }

    void shouldShipAHelpFileWhoseLinksAllLead()
    {
        const QString shipped = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Vortlane.HLP"));
        HelpFile file;
        QCOMPARE(file.load(shipped), HelpFile::Status::Loaded);

        const int start = file.topicById(QStringLiteral("getting-started"));
        QVERIFY(start >= 0);
        QCOMPARE(file.topics()[start].title, QStringLiteral("Getting started"));
        QVERIFY(file.topics().size() >= 2);
        QVERIFY(!file.index().empty());

        static const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
        for (const HelpTopic &topic : file.topics()) {
            QVERIFY2(!topic.keywords.isEmpty(), qPrintable(topic.id));
            for (const QRegularExpressionMatch &match : link.globalMatch(topic.html))
                QVERIFY2(file.topicForAnchor(match.captured(1)) >= 0,
                         qPrintable(topic.id + QStringLiteral(" links to #") + match.captured(1)));
        }
    }
};

QTEST_MAIN(tst_HelpFile)
#include "tst_helpfile.moc"
