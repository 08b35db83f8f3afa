// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "formats/ReceivedRendering.h"

#include <QFontDatabase>
#include <QGlyphRun>
#include <QRawFont>
#include <QSet>
#include <QTest>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace {

QString renderString(const QByteArray &data)
{
    return RenderReceivedData(data, data.size(), DataFormat::String);
}

// Every byte but CR and LF, which are the line breaks.
QByteArray everyNonBreakingByte()
{
    QByteArray data;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            data.append(char(b));
    }
    return data;
}

bool anyFontDraws(char32_t character)
{
    const QStringList families = QFontDatabase::families();
    return std::any_of(families.cbegin(), families.cend(), [character](const QString &family) {
        return QRawFont::fromFont(QFont(family)).supportsCharacter(character);
    });
}

struct LaidOutLine
{
    int lineCount = 0;
    QList<qreal> cursorX;
};

LaidOutLine layOut(const QString &text)
{
    QTextLayout layout(text, QFont());
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        line.setLineWidth(1e9);
    layout.endLayout();

    LaidOutLine result;
    result.lineCount = layout.lineCount();
    const QTextLine first = layout.lineAt(0);
    for (int i = 0; i <= text.size(); ++i)
        result.cursorX.append(first.cursorToX(i));
    return result;
}

} // namespace

// What the rendering gives must lay out in Qt's own text engine (a text box
// it is pasted into, say) as the text says, with no break, no vanished byte,
// no changed byte. The boxes' own wrapping is tested with LineWrap.
class tst_RenderedTextLayout : public QObject
{
    Q_OBJECT

private slots:
    void shouldBreakLinesOnlyWhereTheTextSays_data();
    void shouldBreakLinesOnlyWhereTheTextSays();
    void shouldGiveEveryByteAWidth();
    void shouldComeBackUnchangedFromATextDocument();
    void shouldDrawUpperBytesWithDistinctGlyphs();
};

void tst_RenderedTextLayout::shouldBreakLinesOnlyWhereTheTextSays_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("lines");

    QTest::newRow("every byte but CR and LF") << everyNonBreakingByte() << 1;
    QTest::newRow("vertical tab, form feed and NEL") << QByteArray("a\x0B"
                                                                   "b\x0C"
                                                                   "c\x85"
                                                                   "d")
                                                     << 1;
    QTest::newRow("CR LF") << QByteArray("a\r\nb") << 2;
    QTest::newRow("lone LF") << QByteArray("a\nb") << 2;
    QTest::newRow("lone CR") << QByteArray("a\rb") << 1;
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd\x85") << 3;
}

void tst_RenderedTextLayout::shouldBreakLinesOnlyWhereTheTextSays()
{
    QFETCH(QByteArray, data);
    QFETCH(int, lines);

    QTextDocument document;
    document.setPlainText(renderString(data));
    // A block per line of the plain text, and no block laid out over two
    // lines although nothing limits the width.
    document.setTextWidth(-1);
    QCOMPARE(document.blockCount(), lines);
    QCOMPARE(document.lineCount(), lines);
}

void tst_RenderedTextLayout::shouldGiveEveryByteAWidth()
{
    const QByteArray data = everyNonBreakingByte();
    const QString text = renderString(data);

    const LaidOutLine line = layOut(text);

    QCOMPARE(line.lineCount, 1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        QVERIFY2(line.cursorX.at(i + 1) > line.cursorX.at(i),
                 qPrintable(QStringLiteral("byte %1 is drawn with no width").arg(uchar(data.at(i)))));
    }
}

void tst_RenderedTextLayout::shouldComeBackUnchangedFromATextDocument()
{
    const QString text = renderString(everyNonBreakingByte() + QByteArray("\r\n\n\r"));

    QTextDocument document;
    document.setPlainText(text);

    QCOMPARE(document.toPlainText(), text);
}

void tst_RenderedTextLayout::shouldDrawUpperBytesWithDistinctGlyphs()
{
    // The control pictures of 0x00 to 0x1F are Unicode's own and drawn by
    // whatever symbol font is installed; the characters for 0x80 to 0xFF
    // are chosen here, and must each be drawn as a glyph of its own.
    if (!anyFontDraws(0x2880))
        QSKIP("no installed font draws Braille patterns");

    QSet<QPair<QString, quint32>> glyphs;
    for (int b = 0x80; b < 0x100; ++b) {
        QTextLayout layout(renderString(QByteArray(1, char(b))), QFont());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        QCOMPARE(runs.size(), 1);
        const QList<quint32> indexes = runs.first().glyphIndexes();
        QCOMPARE(indexes.size(), 1);
        QVERIFY2(indexes.first() != 0, qPrintable(QStringLiteral("byte %1 has no glyph").arg(b)));
        glyphs.insert({runs.first().rawFont().familyName(), indexes.first()});
    }
    QCOMPARE(glyphs.size(), 0x80);
}

QTEST_MAIN(tst_RenderedTextLayout)
#include "tst_renderedtextlayout.moc"
