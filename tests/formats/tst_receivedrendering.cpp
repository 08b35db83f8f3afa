// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "formats/ReceivedRendering.h"

#include <QTest>

#include <algorithm>

namespace {

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

// Bytes of every value, in an order that is not simply counting.
QByteArray patternBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (char &b : bytes) {
        state = state * 1103515245u + 12345u;
        b = char(state >> 24);
    }
    return bytes;
}

// Slow but plainly right, to hold the fast renderings against.
QString referenceDecimal(QByteArrayView bytes)
{
    QString text;
    for (char b : bytes)
        text += QString::number(uchar(b)) + u' ';
    return text;
}

QString referenceHex(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return {};
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper()) + u' ';
}

QString picture(char16_t code)
{
    return QString(QChar(code));
}

} // namespace

class tst_ReceivedRendering : public QObject
{
    Q_OBJECT

private slots:
    void shouldRender_data();
    void shouldRender();
    void shouldRenderEveryByteOfLargeArrival_data();
    void shouldRenderEveryByteOfLargeArrival();
    void shouldRenderArrivalOf32766BytesInHex();
    void shouldShowEveryC0ControlByteAsItsPicture_data();
    void shouldShowEveryC0ControlByteAsItsPicture();
    void shouldShowEveryByteAsOneDistinctVisibleCharacter();
};

void tst_ReceivedRendering::shouldRender_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<qint64>("bytesTotal");
    QTest::addColumn<DataFormat>("format");
    QTest::addColumn<QString>("text");

    const QByteArray hello("Hello\r\n");
    QTest::newRow("Hello in String") << hello << qint64(7) << DataFormat::String << QStringLiteral("Hello\n");
    QTest::newRow("Hello in Decimal") << hello << qint64(7) << DataFormat::Decimal
                                      << QStringLiteral("72 101 108 108 111 13 10 ");
    QTest::newRow("Hello in Hex") << hello << qint64(7) << DataFormat::Hex << QStringLiteral("48 65 6C 6C 6F 0D 0A ");

    for (const DataFormat format : {DataFormat::String, DataFormat::Decimal, DataFormat::Hex}) {
        QTest::addRow("empty arrival, format %d", int(format)) << QByteArray() << qint64(0) << format << QString();
    }

    const QByteArray edges = bytesOf({0, 127, 128, 255});
    QTest::newRow("0 127 128 255 in Decimal")
        << edges << qint64(4) << DataFormat::Decimal << QStringLiteral("0 127 128 255 ");
    QTest::newRow("0 127 128 255 in Hex") << edges << qint64(4) << DataFormat::Hex << QStringLiteral("00 7F 80 FF ");
    QTest::newRow("0 127 128 255 in String")
        << edges << qint64(4) << DataFormat::String << QStringLiteral(u"\u2400\u2421\u2880\u00FF");

    QTest::newRow("one- two- and three-digit values")
        << bytesOf({7, 10, 99, 100}) << qint64(4) << DataFormat::Decimal << QStringLiteral("7 10 99 100 ");
    QTest::newRow("hex digits are upper case, two each")
        << bytesOf({10, 171, 1}) << qint64(3) << DataFormat::Hex << QStringLiteral("0A AB 01 ");

    // The count announced and the bytes held may disagree: the numbers show
    // what is held up to the count and never more.
    const QByteArray abc("abc");
    QTest::newRow("fewer bytes held than counted, Decimal")
        << abc << qint64(10) << DataFormat::Decimal << QStringLiteral("97 98 99 ");
    QTest::newRow("fewer bytes held than counted, Hex")
        << abc << qint64(10) << DataFormat::Hex << QStringLiteral("61 62 63 ");
    QTest::newRow("count above 32 bits, Hex")
        << abc << (qint64(1) << 40) << DataFormat::Hex << QStringLiteral("61 62 63 ");
    QTest::newRow("count smaller than held, Decimal")
        << abc << qint64(2) << DataFormat::Decimal << QStringLiteral("97 98 ");
    QTest::newRow("count smaller than held, Hex") << abc << qint64(1) << DataFormat::Hex << QStringLiteral("61 ");
    QTest::newRow("zero count, Hex") << abc << qint64(0) << DataFormat::Hex << QString();
    QTest::newRow("negative count, Decimal") << abc << qint64(-1) << DataFormat::Decimal << QString();
    QTest::newRow("negative count, Hex") << abc << qint64(-5) << DataFormat::Hex << QString();
    QTest::newRow("String shows all bytes held whatever the count")
        << abc << qint64(1) << DataFormat::String << QStringLiteral("abc");
    QTest::newRow("String with a negative count") << abc << qint64(-1) << DataFormat::String << QStringLiteral("abc");

    QTest::newRow("zero byte does not cut the text short")
        << QByteArray("A\0B", 3) << qint64(3) << DataFormat::String << QStringLiteral(u"A\u2400B");
    QTest::newRow("CR LF pairs break lines")
        << QByteArray("a\r\nb\r\n") << qint64(6) << DataFormat::String << QStringLiteral("a\nb\n");
    QTest::newRow("lone LF shows and breaks the line")
        << QByteArray("a\nb\n") << qint64(4) << DataFormat::String << QStringLiteral(u"a\u240A\nb\u240A\n");
    QTest::newRow("lone CR shows and does not break")
        << QByteArray("a\rb\r") << qint64(4) << DataFormat::String << QStringLiteral(u"a\u240Db\u240D");
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\n") << qint64(4) << DataFormat::String
                              << QStringLiteral(u"a\u240D\n");
    QTest::newRow("LF CR") << QByteArray("\n\r") << qint64(2) << DataFormat::String
                           << QStringLiteral(u"\u240A\n\u240D");
    QTest::newRow("CR LF LF") << QByteArray("\r\n\n") << qint64(3) << DataFormat::String
                              << QStringLiteral(u"\n\u240A\n");
    QTest::newRow("DEL") << QByteArray("\x7F") << qint64(1) << DataFormat::String << picture(0x2421);
    QTest::newRow("C1 NEL does not become a line break")
        << QByteArray("a\x85z") << qint64(3) << DataFormat::String << QStringLiteral(u"a\u2885z");
    QTest::newRow("no-break space differs from space")
        << QByteArray(" \xA0") << qint64(2) << DataFormat::String << QStringLiteral(u" \u237D");
    QTest::newRow("soft hyphen is drawn") << QByteArray("\xAD") << qint64(1) << DataFormat::String << picture(0x2027);
    QTest::newRow("Latin-1 letters") << QByteArray("caf\xE9 \xFF\xA1") << qint64(7) << DataFormat::String
                                     << QStringLiteral(u"caf\u00E9 \u00FF\u00A1");
}

void tst_ReceivedRendering::shouldRender()
{
    QFETCH(QByteArray, data);
    QFETCH(qint64, bytesTotal);
    QFETCH(DataFormat, format);
    QFETCH(QString, text);

    QCOMPARE(RenderReceivedData(data, bytesTotal, format), text);
}

void tst_ReceivedRendering::shouldRenderEveryByteOfLargeArrival_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<DataFormat>("format");

    for (const qsizetype size : {32766, 32767, 32768, 100000, 1 << 20}) {
        QTest::addRow("%lld bytes in Decimal", qlonglong(size)) << size << DataFormat::Decimal;
        QTest::addRow("%lld bytes in Hex", qlonglong(size)) << size << DataFormat::Hex;
    }
}

void tst_ReceivedRendering::shouldRenderEveryByteOfLargeArrival()
{
    QFETCH(qsizetype, size);
    QFETCH(DataFormat, format);
    const QByteArray data = patternBytes(size);

    const QString text = RenderReceivedData(data, size, format);

    const QString expected = format == DataFormat::Decimal ? referenceDecimal(data) : referenceHex(data);
    QCOMPARE(text.size(), expected.size());
    QCOMPARE(text, expected);
    QCOMPARE(text.count(u' '), size);
}

void tst_ReceivedRendering::shouldRenderArrivalOf32766BytesInHex()
{
    const QByteArray data = patternBytes(32766);

    const QString text = RenderReceivedData(data, data.size(), DataFormat::Hex);

    QCOMPARE(text.size(), 98298);
    QVERIFY(!text.contains(u'\n'));
    QCOMPARE(text.count(u' '), 32766);
}

void tst_ReceivedRendering::shouldShowEveryC0ControlByteAsItsPicture_data()
{
    QTest::addColumn<int>("byte");

    for (int b = 0; b < 0x20; ++b) {
        if (b != '\r' && b != '\n')
            QTest::addRow("byte 0x%02X", b) << b;
    }
}

void tst_ReceivedRendering::shouldShowEveryC0ControlByteAsItsPicture()
{
    QFETCH(int, byte);
    const QByteArray data = QByteArray("<") + char(byte) + QByteArray(">");

    const QString text = RenderReceivedData(data, data.size(), DataFormat::String);

    QCOMPARE(text, QStringLiteral("<") + QChar(0x2400 + byte) + QStringLiteral(">"));
}

void tst_ReceivedRendering::shouldShowEveryByteAsOneDistinctVisibleCharacter()
{
    // CR and LF left out: they are the line breaks.
    QByteArray data;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            data.append(char(b));
    }

    const QString text = RenderReceivedData(data, data.size(), DataFormat::String);

    QCOMPARE(text.size(), data.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const int byte = uchar(data.at(i));
        QVERIFY2(c.isPrint(), qPrintable(QStringLiteral("byte %1 shows as no graphic").arg(byte)));
        QVERIFY2(!c.isSpace() || byte == ' ', qPrintable(QStringLiteral("byte %1 shows as a blank").arg(byte)));
        QVERIFY2(c.category() != QChar::Other_Format, qPrintable(QStringLiteral("byte %1 shows as nothing").arg(byte)));
    }
    QString sorted = text;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(std::adjacent_find(sorted.cbegin(), sorted.cend()), sorted.cend());
}

QTEST_APPLESS_MAIN(tst_ReceivedRendering)
#include "tst_receivedrendering.moc"
