// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/help/HelpFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTextDocument>
#include <QtTest>

#include <algorithm>

// The manual against the program: every status message the program can show,
// and every description the socket puts after "Error: ", must be in the help
// file as the user sees it. The texts are read from the program's sources, so
// a message added or reworded there fails this test until the manual follows.
namespace {

const QString sourceDir = QStringLiteral(VORTLANE_SOURCE_DIR);

// Every status message begins with one of these; the lower-case one is the
// outgoing panel's UDP send message.
const QStringList messagePrefixes{
    QStringLiteral("Listening Socket -> "),
    QStringLiteral("Outgoing Socket -> "),
    QStringLiteral("outgoing Socket -> "),
};

// The topics that list the messages and the descriptions in full.
const QString messagesTopic = QStringLiteral("status-messages");
const QString descriptionsTopic = QStringLiteral("error-descriptions");

// The socket files whose texts follow "Error: " on the status line. A text
// with a variable part (%1) must appear in pieces around it.
const QStringList descriptionFiles{
    QStringLiteral("src/socket/SocketErrorText.cpp"),
    QStringLiteral("src/socket/PortText.cpp"),
};

bool isIdentifierChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

bool isEncodingPrefix(QStringView word)
{
    return word.isEmpty() || word == u"u8" || word == u"u" || word == u"U" || word == u"L";
}

int hexValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// Reads the ordinary string or character literal whose opening quote is at
// i, resolving its escapes; i ends past the closing quote.
QString readQuoted(QStringView s, qsizetype &i)
{
    const QChar quote = s[i];
    QString text;
    ++i;
    while (i < s.size() && s[i] != quote && s[i] != u'\n') {
        if (s[i] != u'\\') {
            text += s[i++];
            continue;
        }
        ++i;
        if (i >= s.size())
            break;
        const QChar e = s[i++];
        switch (e.unicode()) {
        case u'n': text += u'\n'; break;
        case u't': text += u'\t'; break;
        case u'r': text += u'\r'; break;
        case u'a': text += u'\a'; break;
        case u'b': text += u'\b'; break;
        case u'f': text += u'\f'; break;
        case u'v': text += u'\v'; break;
        case u'\n': break; // a line continued inside the literal
        case u'x':
        case u'u':
        case u'U': {
            const int most = e == u'x' ? 8 : e == u'u' ? 4 : 8;
            char32_t value = 0;
            for (int n = 0; n < most && i < s.size() && hexValue(s[i]) >= 0; ++n)
                value = value * 16 + char32_t(hexValue(s[i++]));
            text += QString::fromUcs4(&value, 1);
            break;
        }
        default:
            if (e >= u'0' && e <= u'7') {
                char32_t value = e.unicode() - u'0';
                for (int n = 1; n < 3 && i < s.size() && s[i] >= u'0' && s[i] <= u'7'; ++n)
                    value = value * 8 + char32_t(s[i++].unicode() - u'0');
                text += QString::fromUcs4(&value, 1);
            } else {
                text += e; // \" \' \\ \?
            }
        }
    }
    ++i; // the closing quote
    return text;
}

// Reads the raw literal whose quote is at i: R, the quote, a delimiter and
// "(", the text, then ")", the delimiter and the quote.
QString readRaw(QStringView s, qsizetype &i)
{
    const qsizetype open = s.indexOf(u'(', i);
    if (open < 0) {
        i = s.size();
        return {};
    }
    const QString close = u')' + s.sliced(i + 1, open - i - 1).toString() + u'"';
    const qsizetype end = s.indexOf(close, open + 1);
    const qsizetype stop = end < 0 ? s.size() : end;
    i = end < 0 ? s.size() : end + close.size();
    return s.sliced(open + 1, stop - open - 1).toString();
}

// The string literals of a C++ source text, as the compiler reads them:
// comments, #include lines, character literals ('"' included) and digit
// separators (32'766) are stepped over, escapes are resolved, and literals
// that follow one another ("a" "b") are joined into one.
QStringList stringLiterals(QStringView s)
{
    QStringList literals;
    bool joinsPrevious = false;
    qsizetype i = 0;
    const auto addLiteral = [&](const QString &text) {
        if (joinsPrevious)
            literals.last() += text;
        else
            literals.append(text);
        joinsPrevious = true;
    };
    while (i < s.size()) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
        } else if (s.sliced(i).startsWith(u"//")) {
            i = s.indexOf(u'\n', i);
            if (i < 0)
                i = s.size();
        } else if (s.sliced(i).startsWith(u"#include")) {
            // A file name, not a text of the program.
            i = s.indexOf(u'\n', i);
            if (i < 0)
                i = s.size();
        } else if (s.sliced(i).startsWith(u"/*")) {
            const qsizetype end = s.indexOf(u"*/", i + 2);
            i = end < 0 ? s.size() : end + 2;
        } else if (c == u'"') {
            addLiteral(readQuoted(s, i));
        } else if (c == u'\'') {
            readQuoted(s, i);
            joinsPrevious = false;
        } else if (c.isDigit() || (c == u'.' && i + 1 < s.size() && s[i + 1].isDigit())) {
            // A number: digits, letters, dots, digit separators, exponent signs.
            ++i;
            while (i < s.size()) {
                const QChar d = s[i];
                const bool separator = d == u'\'' && i + 1 < s.size() && isIdentifierChar(s[i + 1]);
                const bool exponentSign = (d == u'+' || d == u'-') && QStringView(u"eEpP").contains(s[i - 1]);
                if (!isIdentifierChar(d) && d != u'.' && !separator && !exponentSign)
                    break;
                ++i;
            }
            joinsPrevious = false;
        } else if (isIdentifierChar(c)) {
            const qsizetype start = i;
            while (i < s.size() && isIdentifierChar(s[i]))
                ++i;
            const QStringView word = s.sliced(start, i - start);
            const QChar next = i < s.size() ? s[i] : QChar();
            if (next == u'"' && isEncodingPrefix(word)) {
                addLiteral(readQuoted(s, i));
            } else if (next == u'"' && word.endsWith(u'R') && isEncodingPrefix(word.chopped(1))) {
                addLiteral(readRaw(s, i));
            } else if (next == u'\'' && isEncodingPrefix(word)) {
                readQuoted(s, i);
                joinsPrevious = false;
            } else {
                joinsPrevious = false;
            }
        } else {
            ++i;
            joinsPrevious = false;
        }
    }
    return literals;
}

QString readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The text of help-file markup as written: comments and tags removed,
// character references decoded (a no-break space as a blank), nothing else
// changed. Blanks are not folded, so five blanks must be written as five.
QString decodedText(const QString &html)
{
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[A-Za-z/!][^>]*>"));
    static const QRegularExpression reference(QStringLiteral("&(#[0-9]+|#[xX][0-9A-Fa-f]+|[A-Za-z]+);"));
    static const QMap<QString, QString> named{
        {QStringLiteral("nbsp"), QStringLiteral(" ")}, {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},   {QStringLiteral("amp"), QStringLiteral("&")},
        {QStringLiteral("quot"), QStringLiteral("\"")}, {QStringLiteral("apos"), QStringLiteral("'")},
    };

    QString text = html;
    text.remove(comment);
    text.remove(tag);
    QString decoded;
    qsizetype at = 0;
    for (const QRegularExpressionMatch &match : reference.globalMatch(text)) {
        decoded += QStringView(text).sliced(at, match.capturedStart() - at);
        const QString name = match.captured(1);
        if (name.startsWith(u'#')) {
            const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
            const char32_t code = name.mid(hex ? 2 : 1).toUInt(nullptr, hex ? 16 : 10);
            decoded += QString::fromUcs4(&code, 1);
        } else {
            decoded += named.value(name, match.captured(0));
        }
        at = match.capturedEnd();
    }
    decoded += QStringView(text).sliced(at);
    decoded.replace(QChar::Nbsp, u' ');
    return decoded;
}

// A text found in the program's sources, and the file it was found in.
struct SourceText
{
    QString text;
    QString file;
};

// Every literal of src/ that begins like a status message, once each.
QList<SourceText> statusMessages()
{
    QMap<QString, QString> found; // message, first file that holds it
    QDirIterator files(sourceDir + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        for (const QString &literal : stringLiterals(readFile(path))) {
            const bool isMessage = std::any_of(messagePrefixes.cbegin(), messagePrefixes.cend(),
                                               [&literal](const QString &p) { return literal.startsWith(p); });
            if (isMessage && !found.contains(literal))
                found.insert(literal, QDir(sourceDir).relativeFilePath(path));
        }
    }
    QList<SourceText> messages;
    for (auto it = found.cbegin(); it != found.cend(); ++it)
        messages.append({it.key(), it.value()});
    return messages;
}

// The fixed pieces of the socket's error descriptions, once each.
QList<SourceText> errorDescriptions()
{
    static const QRegularExpression placeholder(QStringLiteral("%[0-9]+"));
    QStringList seen;
    QList<SourceText> pieces;
    for (const QString &file : descriptionFiles) {
        for (const QString &literal : stringLiterals(readFile(QDir(sourceDir).filePath(file)))) {
            for (const QString &piece : literal.split(placeholder)) {
                if (piece.trimmed().isEmpty() || seen.contains(piece))
                    continue;
                seen.append(piece);
                pieces.append({piece, file});
            }
        }
    }
    return pieces;
}

} // namespace

class TestManualCoverage : public QObject
{
    Q_OBJECT

private:
    HelpFile manual;

    // The topic's text as written, and as the viewer shows it.
    QString writtenText(const QString &topicId) const
    {
        const int topic = manual.topicById(topicId);
        return topic < 0 ? QString() : decodedText(manual.topics()[topic].html);
    }

    QString shownText(const QString &topicId) const
    {
        const int topic = manual.topicById(topicId);
        if (topic < 0)
            return {};
        QTextDocument document;
        document.setDefaultStyleSheet(manual.styleSheet());
        document.setHtml(manual.topics()[topic].html);
        return document.toPlainText();
    }

    void checkListed(const QString &text, const QString &file, const QString &topicId) const
    {
        const QString where = QStringLiteral("\"%1\" (from %2) in the help topic \"%3\"").arg(text, file, topicId);
        QVERIFY2(writtenText(topicId).contains(text), qPrintable(where + QStringLiteral(" is missing")));
        // A run of blanks written plainly would fold into one when shown.
        QVERIFY2(shownText(topicId).contains(text),
                 qPrintable(where + QStringLiteral(" is written but does not read the same when shown")));
    }

private slots:
    void initTestCase()
    {
        const QString path = sourceDir + QStringLiteral("/help/Vortlane.HLP");
        QVERIFY2(manual.load(path) == HelpFile::Status::Loaded, qPrintable(path + u' ' + manual.problem()));
        QVERIFY2(manual.topicById(messagesTopic) >= 0, qPrintable(QStringLiteral("no topic ") + messagesTopic));
        QVERIFY2(manual.topicById(descriptionsTopic) >= 0, qPrintable(QStringLiteral("no topic ") + descriptionsTopic));
    }

    void shouldReadLiteralsAsTheCompilerDoes_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("literals");

        // Written as ordinary literals: moc does not read raw ones.
        QTest::newRow("wrapped in QStringLiteral")
            << "SetStatus(QStringLiteral(\"Outgoing Socket -> Disconnected\"), black);"
            << QStringList{"Outgoing Socket -> Disconnected"};
        QTest::newRow("escaped quote and backslash")
            << "QStringLiteral(\"say \\\"hi\\\" \\\\ now\")" << QStringList{"say \"hi\" \\ now"};
        QTest::newRow("quote as a character literal")
            << "throw E(u'\"' + text + QStringLiteral(\"\\\" is not a number\"));"
            << QStringList{"\" is not a number"};
        QTest::newRow("escaped quote as a character literal") << "c == '\\'' ? \"x\" : \"y\""
                                                              << QStringList{"x", "y"};
        QTest::newRow("lone quote in a line comment") << "// don't stop at \"\nx = \"real\";"
                                                      << QStringList{"real"};
        QTest::newRow("literal in a block comment") << "/* \"not this\" */ f(\"this\");" << QStringList{"this"};
        QTest::newRow("digit separator") << "int n = 32'766; f(\"after\");" << QStringList{"after"};
        QTest::newRow("adjacent literals joined")
            << "QStringLiteral(\"Listening Socket -> \"\n    /* two parts */ \"Error: \")"
            << QStringList{"Listening Socket -> Error: "};
        QTest::newRow("separate literals kept apart") << "f(\"a\", \"b\")" << QStringList{"a", "b"};
        QTest::newRow("encoding prefixes") << "f(u\"one\", u8\"two\", L\"three\", U\"four\")"
                                           << QStringList{"one", "two", "three", "four"};
        QTest::newRow("raw literal") << "f(R\"x(a \"quoted\" \\n)x\");" << QStringList{"a \"quoted\" \\n"};
        QTest::newRow("escapes resolved") << "f(\"tab\\there \\x41\\101 \\u00e9\\n\");"
                                          << QStringList{QStringLiteral("tab\there AA \u00e9\n")};
        QTest::newRow("run of blanks kept") << "f(\"Not Listening.     Outgoing\")"
                                            << QStringList{"Not Listening.     Outgoing"};
        QTest::newRow("include line skipped") << "#include \"app/frmMain.h\"\nf(\"text\");"
                                              << QStringList{"text"};
        QTest::newRow("identifier next to a literal") << "QStringLiteral(\"%1\").arg(x)" << QStringList{"%1"};
    }

    void shouldReadLiteralsAsTheCompilerDoes()
    {
        QFETCH(QString, source);
        QFETCH(QStringList, literals);
        QCOMPARE(stringLiterals(source), literals);
    }

    void shouldDecodeTheHelpText_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");

        QTest::newRow("tags removed") << "<code>Connected to <i>address</i>:<i>port</i></code>"
                                      << "Connected to address:port";
        QTest::newRow("markup characters") << "0&lt;TxData&lt;255 -&gt; a &amp; b" << "0<TxData<255 -> a & b";
        QTest::newRow("no-break spaces count one each") << "a.&nbsp;&nbsp;&nbsp;b" << "a.   b";
        QTest::newRow("blanks not folded") << "a  \n b" << "a  \n b";
        QTest::newRow("numeric references") << "&#65;&#x42;&#X43;" << "ABC";
        QTest::newRow("decoded once only") << "&amp;lt;" << "&lt;";
        QTest::newRow("comments removed") << "a<!-- <b>x</b> -->b" << "ab";
        QTest::newRow("lone less-than kept") << "a < b" << "a < b";
    }

    void shouldDecodeTheHelpText()
    {
        QFETCH(QString, html);
        QFETCH(QString, text);
        QCOMPARE(decodedText(html), text);
    }

    void shouldFindTheProgramsMessages()
    {
        // Without this, a move of the sources or a new way of writing the
        // texts would leave the checks below with nothing to check.
        const QList<SourceText> messages = statusMessages();
        for (const QString &prefix : messagePrefixes) {
            const bool found = std::any_of(messages.cbegin(), messages.cend(),
                                           [&prefix](const SourceText &m) { return m.text.startsWith(prefix); });
            QVERIFY2(found, qPrintable(QStringLiteral("no message beginning \"%1\" in %2/src").arg(prefix, sourceDir)));
        }
        const QList<SourceText> pieces = errorDescriptions();
        for (const QString &file : descriptionFiles) {
            const bool found = std::any_of(pieces.cbegin(), pieces.cend(),
                                           [&file](const SourceText &d) { return d.file == file; });
            QVERIFY2(found, qPrintable(QStringLiteral("no description found in ") + file));
        }
    }

    void shouldListEveryStatusMessage_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("file");
        for (const SourceText &message : statusMessages())
            QTest::newRow(qPrintable(message.text)) << message.text << message.file;
    }

    void shouldListEveryStatusMessage()
    {
        QFETCH(QString, message);
        QFETCH(QString, file);
        checkListed(message, file, messagesTopic);
    }

    void shouldListEveryErrorDescription_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("file");
        for (const SourceText &description : errorDescriptions())
            QTest::newRow(qPrintable(description.text)) << description.text << description.file;
    }

    void shouldListEveryErrorDescription()
    {
        QFETCH(QString, description);
        QFETCH(QString, file);
        checkListed(description, file, descriptionsTopic);
    }
};

QTEST_MAIN(TestManualCoverage)
#include "tst_manualcoverage.moc"
