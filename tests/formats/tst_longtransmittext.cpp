// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "formats/TokenReading.h"
#include "formats/TransmitEncoding.h"

#include <QTest>

namespace {

struct LongText
{
    QString text;
    QByteArray bytes;
};

// Decimal numbers of one to three digits, single spaces between them; the
// last number is padded with leading zeros so the text has exactly the
// length asked for.
LongText decimalText(qsizetype length)
{
    LongText result;
    result.text.reserve(length);
    int value = 0;
    for (;;) {
        value = (value * 37 + 11) % 256;
        const QString number = QString::number(value);
        const qsizetype left = length - result.text.size();
        if (left < number.size() + 1 + 3) {
            result.text += QString(left - number.size(), u'0') + number;
            result.bytes.append(char(value));
            return result;
        }
        result.text += number + u' ';
        result.bytes.append(char(value));
    }
}

// Lower-case two-digit numbers with one or two single-digit ones at the end
// to reach the length exactly.
LongText hexText(qsizetype length)
{
    const qsizetype tokens = (length + 1 + 2) / 3;
    const qsizetype singleDigits = 3 * tokens - 1 - length;
    LongText result;
    result.text.reserve(length);
    for (qsizetype i = 0; i < tokens; ++i) {
        const int value = (i * 53 + 7) % 256;
        if (i > 0)
            result.text += u' ';
        if (i >= tokens - singleDigits) {
            result.text += QString::number(value & 15, 16);
            result.bytes.append(char(value & 15));
        } else {
            result.text += QString::number(value, 16).rightJustified(2, u'0');
            result.bytes.append(char(value));
        }
    }
    return result;
}

} // namespace

// A long text is encoded like any other: no length ends a send unreported.
class tst_LongTransmitText : public QObject
{
    Q_OBJECT

private slots:
    void shouldEncodeLongDecimalText_data();
    void shouldEncodeLongDecimalText();
    void shouldEncodeLongHexText_data();
    void shouldEncodeLongHexText();
    void shouldReportBadTokenAtTheEndOfLongText_data();
    void shouldReportBadTokenAtTheEndOfLongText();

private:
    void addLengths();
};

void tst_LongTransmitText::addLengths()
{
    QTest::addColumn<qsizetype>("length");

    QTest::newRow("32,766 characters") << qsizetype(32766);
    QTest::newRow("32,767 characters") << qsizetype(32767);
    QTest::newRow("32,768 characters") << qsizetype(32768);
    QTest::newRow("65,537 characters") << qsizetype(65537);
    QTest::newRow("one mebicharacter") << qsizetype(1 << 20);
}

void tst_LongTransmitText::shouldEncodeLongDecimalText_data()
{
    addLengths();
}

void tst_LongTransmitText::shouldEncodeLongDecimalText()
{
    QFETCH(qsizetype, length);
    const LongText expected = decimalText(length);
    QCOMPARE(expected.text.size(), length);

    const EncodedTransmitData encoded =
        EncodeTransmitData(QStringLiteral("  ") + expected.text + QStringLiteral("   "), DataFormat::Decimal);

    QCOMPARE(encoded.error, QString());
    QVERIFY(encoded.bytes.has_value());
    QCOMPARE(encoded.bytes->size(), expected.bytes.size());
    QCOMPARE(*encoded.bytes, expected.bytes);
    QCOMPARE(encoded.normalisedText, expected.text);
}

void tst_LongTransmitText::shouldEncodeLongHexText_data()
{
    addLengths();
}

void tst_LongTransmitText::shouldEncodeLongHexText()
{
    QFETCH(qsizetype, length);
    const LongText expected = hexText(length);
    QCOMPARE(expected.text.size(), length);

    const EncodedTransmitData encoded = EncodeTransmitData(QStringLiteral(" ") + expected.text, DataFormat::Hex);

    QCOMPARE(encoded.error, QString());
    QVERIFY(encoded.bytes.has_value());
    QCOMPARE(encoded.bytes->size(), expected.bytes.size());
    QCOMPARE(*encoded.bytes, expected.bytes);
    QCOMPARE(encoded.normalisedText, expected.text.toUpper());
}

void tst_LongTransmitText::shouldReportBadTokenAtTheEndOfLongText_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("badToken");
    QTest::addColumn<QString>("message");

    QTest::newRow("Decimal out of range")
        << int(DataFormat::Decimal) << QStringLiteral("256") << parseErrorMessage(TokenVerdict::OutOfRange);
    QTest::newRow("Decimal empty token") << int(DataFormat::Decimal) << QString()
                                         << parseErrorMessage(TokenVerdict::NotNumeric);
    QTest::newRow("Hex too long") << int(DataFormat::Hex) << QStringLiteral("123")
                                  << parseErrorMessage(TokenVerdict::TooLong);
    QTest::newRow("Hex empty token ends silently") << int(DataFormat::Hex) << QString() << QString();
}

void tst_LongTransmitText::shouldReportBadTokenAtTheEndOfLongText()
{
    QFETCH(int, format);
    QFETCH(QString, badToken);
    QFETCH(QString, message);
    const auto dataFormat = DataFormat(format);
    const LongText good = dataFormat == DataFormat::Decimal ? decimalText(40000) : hexText(40000);
    const QString text = good.text + u' ' + badToken + QStringLiteral(" 1");

    const EncodedTransmitData encoded = EncodeTransmitData(text, dataFormat);

    QVERIFY(!encoded.bytes.has_value());
    QCOMPARE(encoded.error, message);
    QCOMPARE(encoded.normalisedText.size(), text.size());
}

QTEST_APPLESS_MAIN(tst_LongTransmitText)
#include "tst_longtransmittext.moc"
