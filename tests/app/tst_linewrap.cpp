// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/LineWrap.h"
#include "formats/ReceivedRendering.h"
#include "support/SampleTexts.h"

#include <QTest>

#include <limits>

namespace {

constexpr int allLines = std::numeric_limits<int>::max() - 2;

// Widths that make the expected lines easy to count by eye: every character
// is one unit wide, but 'W' and the characters beyond the Basic Multilingual
// Plane are two.
int narrowAndWide(char32_t character)
{
    return character == U'W' || character > 0xFFFF ? 2 : 1;
}

LineWrap wrapped(const QString &text, int width)
{
    LineWrap wrap;
    wrap.setMeasure(narrowAndWide);
    wrap.setTabStop(4);
    wrap.setWidth(width);
    wrap.setText(text);
    return wrap;
}

// Every line's characters, the whole text laid out.
QStringList linesOf(LineWrap &wrap)
{
    wrap.layOutThroughLine(allLines);
    QStringList lines;
    for (int line = 0; line < wrap.lineCount(); ++line)
        lines << wrap.text().mid(wrap.lineStart(line), wrap.lineEnd(line) - wrap.lineStart(line));
    return lines;
}

QList<qsizetype> lineStartsOf(const LineWrap &wrap)
{
    QList<qsizetype> starts;
    for (int line = 0; line < wrap.lineCount(); ++line)
        starts << wrap.lineStart(line);
    return starts;
}

// As the received box shows the bytes of an arrival.
QString renderedString(const QByteArray &data)
{
    return RenderReceivedData(data, data.size(), DataFormat::String);
}

QByteArray everyByteButCrAndLf()
{
    QByteArray data;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            data.append(char(b));
    }
    return data;
}

// Words of varied length, as a Decimal rendering has.
QString words(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QString::number(i * 7919 % 1000) + u' ';
    return text;
}

} // namespace

class tst_LineWrap : public QObject
{
    Q_OBJECT

private slots:
    void shouldPutCharactersOnLines_data();
    void shouldPutCharactersOnLines();
    void shouldCountLinesAtLineBreaks_data();
    void shouldCountLinesAtLineBreaks();
    void shouldLayOutOnlyAsFarAsAsked();
    void shouldLayOutInSlicesAsAtOnce_data();
    void shouldLayOutInSlicesAsAtOnce();
    void shouldWrapAnEditedTextAsAFreshOne_data();
    void shouldWrapAnEditedTextAsAFreshOne();
    void shouldFindTheLineOfAnOffset_data();
    void shouldFindTheLineOfAnOffset();
    void shouldLayOutAfreshForANewWidthOrMeasure();
    void shouldEstimateTheLinesNotYetLaidOut();
};

void tst_LineWrap::shouldPutCharactersOnLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty text is one empty line") << QString() << 10 << QStringList{QString()};
    QTest::newRow("a short text fits") << QStringLiteral("abc") << 10 << QStringList{"abc"};
    QTest::newRow("exactly the width fits") << QStringLiteral("abcd") << 4 << QStringList{"abcd"};
    QTest::newRow("breaks after the last space")
        << QStringLiteral("aaa bbb ccc") << 8 << QStringList{"aaa bbb ", "ccc"};
    QTest::newRow("a token wider than the line is cut")
        << QStringLiteral("abcdefghij") << 4 << QStringList{"abcd", "efgh", "ij"};
    QTest::newRow("a cut token, then words") << QStringLiteral("abcdef gh") << 4 << QStringList{"abcd", "ef ", "gh"};
    QTest::newRow("spaces hang past the edge") << QStringLiteral("ab      cd") << 4 << QStringList{"ab      ", "cd"};
    QTest::newRow("leading spaces stay on the first line")
        << QStringLiteral("   abc") << 4 << QStringList{"   ", "abc"};
    QTest::newRow("line breaks end lines") << QStringLiteral("a\nb\n") << 10 << QStringList{"a", "b", ""};
    QTest::newRow("a line break resets the width") << QStringLiteral("abc\nabcd") << 4 << QStringList{"abc", "abcd"};
    QTest::newRow("a wide character overflows") << QStringLiteral("aWWa") << 3 << QStringList{"aW", "Wa"};
    QTest::newRow("a character wider than the line still takes a line")
        << QStringLiteral("WW") << 1 << QStringList{"W", "W"};
    QTest::newRow("a surrogate pair is never split")
        << QStringLiteral(u"a\U0001F600b") << 2 << QStringList{"a", QStringLiteral(u"\U0001F600"), "b"};
    QTest::newRow("a tab reaches the next stop") << QStringLiteral("a\tbc") << 5 << QStringList{"a\t", "bc"};
    QTest::newRow("a line breaks after a tab") << QStringLiteral("abc\tde") << 5 << QStringList{"abc\t", "de"};
    QTest::newRow("a tab past the edge starts a line, a whole stop wide")
        << QStringLiteral("abcd\tef") << 6 << QStringList{"abcd", "\tef"};
    QTest::newRow("Hex bytes break between bytes")
        << QStringLiteral("41 42 43 44 ") << 7 << QStringList{"41 42 ", "43 44 "};
}

void tst_LineWrap::shouldPutCharactersOnLines()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QStringList, lines);
    LineWrap wrap = wrapped(text, width);
    QCOMPARE(linesOf(wrap), lines);
    QVERIFY(wrap.isComplete());
    // Wrapping adds no character: the lines put together are the text.
    QCOMPARE(wrap.text(), text);
}

void tst_LineWrap::shouldCountLinesAtLineBreaks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lines");
    QTest::newRow("twenty short lines") << numberedLines(20) << 20;
    QTest::newRow("a final line break opens an empty line") << numberedLines(12) + u'\n' << 13;
    QTest::newRow("empty lines count") << QString(9, u'\n') << 10;
    QTest::newRow("a carriage return is no line break") << QStringLiteral("a\rb") << 1;
    QTest::newRow("a line separator is no line break") << QStringLiteral(u"a\u2028b\u2029c") << 1;
    // What an arrival's bytes become breaks only where the bytes hold a line break.
    QTest::newRow("rendered: every byte but CR and LF") << renderedString(everyByteButCrAndLf()) << 1;
    QTest::newRow("rendered: vertical tab, form feed and NEL") << renderedString(QByteArray("a\x0B"
                                                                                            "b\x0C"
                                                                                            "c\x85"
                                                                                            "d"))
                                                               << 1;
    QTest::newRow("rendered: CR LF") << renderedString("a\r\nb") << 2;
    QTest::newRow("rendered: lone LF") << renderedString("a\nb") << 2;
    QTest::newRow("rendered: lone CR") << renderedString("a\rb") << 1;
    QTest::newRow("rendered: mixed") << renderedString("a\r\nb\nc\rd\x85") << 3;
}

void tst_LineWrap::shouldCountLinesAtLineBreaks()
{
    QFETCH(QString, text);
    QFETCH(int, lines);
    LineWrap wrap = wrapped(text, 1000);
    QCOMPARE(linesOf(wrap).size(), lines);
    QCOMPARE(wrap.estimatedLineCount(), lines);
}

void tst_LineWrap::shouldLayOutOnlyAsFarAsAsked()
{
    const QString text = words(100000);
    LineWrap wrap = wrapped(text, 40);
    wrap.layOutThroughLine(3);
    QVERIFY(!wrap.isComplete());
    // The asked line's end is known: the next line has begun.
    QVERIFY(wrap.lineCount() >= 5);
    QVERIFY(wrap.lineCount() < 10);
    QCOMPARE(wrap.lineEnd(3), wrap.lineStart(4));

    wrap.layOutThroughOffset(5000);
    QVERIFY(!wrap.isComplete());
    QVERIFY(wrap.lineStart(wrap.lineCount() - 1) > 5000);
    QVERIFY(wrap.lineStart(wrap.lineCount() - 1) < 5100);
}

void tst_LineWrap::shouldLayOutInSlicesAsAtOnce_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("slice");
    const QString mixed = words(3000) + u'\n' + QString(500, u'W') + u'\n' + numberedLines(50);
    QTest::newRow("one character a slice") << mixed << 1;
    QTest::newRow("seven characters a slice") << mixed << 7;
    QTest::newRow("a thousand characters a slice") << mixed << 1000;
    QTest::newRow("a slice cutting a surrogate pair") << QStringLiteral(u"\U0001F600").repeated(300) << 3;
}

void tst_LineWrap::shouldLayOutInSlicesAsAtOnce()
{
    QFETCH(QString, text);
    QFETCH(int, slice);
    LineWrap atOnce = wrapped(text, 33);
    atOnce.layOutThroughLine(allLines);
    LineWrap inSlices = wrapped(text, 33);
    for (int turns = 0; !inSlices.isComplete(); ++turns) {
        QVERIFY(turns <= text.size());
        inSlices.layOutSlice(slice);
    }
    QCOMPARE(lineStartsOf(inSlices), lineStartsOf(atOnce));
}

void tst_LineWrap::shouldWrapAnEditedTextAsAFreshOne_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");
    const QString text = words(400);
    QTest::newRow("a character typed at the start") << text << 0 << 0 << QStringLiteral("9");
    QTest::newRow("a character typed in the middle") << text << 700 << 0 << QStringLiteral("x");
    QTest::newRow("a space that lets a word move up") << text << 300 << 3 << QStringLiteral(" ");
    QTest::newRow("a shorter first word fits on the line before")
        << QStringLiteral("aaaa bbbbbbbbb c") << 5 << 8 << QString();
    QTest::newRow("a line break inserted") << text << 1000 << 0 << QStringLiteral("\n");
    QTest::newRow("everything removed") << text << 0 << int(text.size()) << QString();
    QTest::newRow("pasted at the end") << text << int(text.size()) << 0 << words(50);
}

void tst_LineWrap::shouldWrapAnEditedTextAsAFreshOne()
{
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    LineWrap edited = wrapped(text, 10);
    linesOf(edited);
    edited.replace(position, removed, inserted);
    QString expected = text;
    expected.replace(position, removed, inserted);
    QCOMPARE(edited.text(), expected);
    LineWrap fresh = wrapped(expected, 10);
    QCOMPARE(linesOf(edited), linesOf(fresh));
}

void tst_LineWrap::shouldFindTheLineOfAnOffset_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("line");
    QTest::newRow("the start") << QStringLiteral("aaa bbb ccc") << 0 << 0;
    QTest::newRow("a hanging space") << QStringLiteral("aaa bbb ccc") << 3 << 0;
    QTest::newRow("the start of a wrapped line") << QStringLiteral("aaa bbb ccc") << 4 << 1;
    QTest::newRow("a line break is on the line it ends") << QStringLiteral("a\nb") << 1 << 0;
    QTest::newRow("after a line break") << QStringLiteral("a\nb") << 2 << 1;
    QTest::newRow("the end of the text") << QStringLiteral("aaa bbb ccc") << 11 << 2;
}

void tst_LineWrap::shouldFindTheLineOfAnOffset()
{
    QFETCH(QString, text);
    QFETCH(int, offset);
    QFETCH(int, line);
    LineWrap wrap = wrapped(text, 4);
    QCOMPARE(wrap.lineOf(offset), line);
}

void tst_LineWrap::shouldLayOutAfreshForANewWidthOrMeasure()
{
    LineWrap wrap = wrapped(QStringLiteral("WWWW WWWW"), 10);
    QCOMPARE(linesOf(wrap), (QStringList{"WWWW ", "WWWW"}));
    QVERIFY(!wrap.setWidth(10));
    QVERIFY(wrap.isComplete());
    QVERIFY(wrap.setWidth(20));
    QVERIFY(!wrap.isComplete());
    QCOMPARE(linesOf(wrap), (QStringList{"WWWW WWWW"}));
    wrap.setMeasure([](char32_t) { return 10; });
    QVERIFY(!wrap.isComplete());
    QCOMPARE(wrap.advance(U'a'), 10);
    QCOMPARE(linesOf(wrap), (QStringList{"WW", "WW ", "WW", "WW"}));
}

void tst_LineWrap::shouldEstimateTheLinesNotYetLaidOut()
{
    // Lines of the same length wrap alike, so the estimate is near the truth.
    const QString text = QString(QStringLiteral("abcdefghijklmnopqrstuvwxyz ").repeated(3) + u'\n').repeated(2000);
    LineWrap wrap = wrapped(text, 30);
    wrap.layOutThroughLine(100);
    QVERIFY(!wrap.isComplete());
    const int estimate = wrap.estimatedLineCount();
    wrap.layOutThroughLine(allLines);
    QVERIFY2(std::abs(estimate - wrap.lineCount()) <= wrap.lineCount() / 50,
             qPrintable(QStringLiteral("%1 estimated, %2 laid out").arg(estimate).arg(wrap.lineCount())));
}

QTEST_APPLESS_MAIN(tst_LineWrap)
#include "tst_linewrap.moc"
