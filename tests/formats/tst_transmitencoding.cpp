// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "formats/TransmitEncoding.h"

#include <QTest>

namespace {

const QString notNumeric =
    QStringLiteral("Listening Socket -> Parse Error: Decimal data must be numeric only: 0<TxData<255");
const QString outOfRange = QStringLiteral("Listening Socket -> Parse Error: Decimal data out of range. 0<TxData<255");
const QString badHexCharacter =
    QStringLiteral("Listening Socket -> Parse Error: Invalid hex input value detected: 0<=hex<=9 or a <=hex<=f");
const QString hexTooLong =
    QStringLiteral("Listening Socket -> Parse Error: Invalid hex input value detected: 1 or 2 characters per byte");

const QString accepted; // no message

QString digits(qsizetype count, QChar digit)
{
    return QString(count, digit);
}

} // namespace

class tst_TransmitEncoding : public QObject
{
    Q_OBJECT

private slots:
    void shouldTellDigitOnlyText_data();
    void shouldTellDigitOnlyText();
    void shouldValidateDecimalToken_data();
    void shouldValidateDecimalToken();
    void shouldValidateHexToken_data();
    void shouldValidateHexToken();
    void shouldEncodeDecimal_data();
    void shouldEncodeDecimal();
    void shouldEncodeHex_data();
    void shouldEncodeHex();
    void shouldEncodeString_data();
    void shouldEncodeString();

private:
    void addEncodingColumns();
    void checkEncoding(DataFormat format);
};

void tst_TransmitEncoding::shouldTellDigitOnlyText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");

    QTest::newRow("empty text") << QString() << false;
    QTest::newRow("one digit") << QStringLiteral("7") << true;
    QTest::newRow("all ten digits") << QStringLiteral("0123456789") << true;
    QTest::newRow("leading zeros") << QStringLiteral("000255") << true;
    QTest::newRow("minus sign") << QStringLiteral("-1") << false;
    QTest::newRow("plus sign") << QStringLiteral("+1") << false;
    QTest::newRow("decimal point") << QStringLiteral("1.5") << false;
    QTest::newRow("exponent") << QStringLiteral("1e3") << false;
    QTest::newRow("space inside") << QStringLiteral("1 2") << false;
    QTest::newRow("trailing space") << QStringLiteral("1 ") << false;
    QTest::newRow("letter after digits") << QStringLiteral("12x") << false;
    QTest::newRow("hex digit") << QStringLiteral("A") << false;
    QTest::newRow("Arabic-Indic digit") << QStringLiteral(u"\u0661") << false;
    QTest::newRow("fullwidth digit") << QStringLiteral(u"\uFF11") << false;
    QTest::newRow("superscript two") << QStringLiteral(u"\u00B2") << false;
}

void tst_TransmitEncoding::shouldTellDigitOnlyText()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);

    QCOMPARE(IsNumericOnly(text), numeric);
}

void tst_TransmitEncoding::shouldValidateDecimalToken_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("message");

    QTest::newRow("zero") << QStringLiteral("0") << accepted;
    QTest::newRow("255 is accepted") << QStringLiteral("255") << accepted;
    QTest::newRow("256 is out of range") << QStringLiteral("256") << outOfRange;
    QTest::newRow("leading zeros 007") << QStringLiteral("007") << accepted;
    QTest::newRow("leading zeros 000255") << QStringLiteral("000255") << accepted;
    QTest::newRow("leading zeros 000256") << QStringLiteral("000256") << outOfRange;
    QTest::newRow("1000") << QStringLiteral("1000") << outOfRange;
    QTest::newRow("beyond 32 bits") << QStringLiteral("4294967296") << outOfRange;
    QTest::newRow("400 digits") << digits(400, u'9') << outOfRange;
    QTest::newRow("400 zeros then 1") << digits(400, u'0') + u'1' << accepted;
    QTest::newRow("empty token") << QString() << notNumeric;
    QTest::newRow("minus one") << QStringLiteral("-1") << notNumeric;
    QTest::newRow("comma between numbers") << QStringLiteral("1,2") << notNumeric;
    QTest::newRow("decimal point") << QStringLiteral("1.0") << notNumeric;
    QTest::newRow("letter") << QStringLiteral("x") << notNumeric;
    QTest::newRow("tab after number") << QStringLiteral("1\t") << notNumeric;
    QTest::newRow("line break after number") << QStringLiteral("1\n") << notNumeric;
    QTest::newRow("large number with a letter is not numeric") << QStringLiteral("99999x") << notNumeric;
}

void tst_TransmitEncoding::shouldValidateDecimalToken()
{
    QFETCH(QString, token);
    QFETCH(QString, message);

    const std::optional<QString> result = ValidateDecimalByte(token);

    QCOMPARE(result.has_value(), !message.isEmpty());
    QCOMPARE(result.value_or(QString()), message);
}

void tst_TransmitEncoding::shouldValidateHexToken_data()
{
    QTest::addColumn<QString>("token");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty token passes") << QString() << accepted;
    QTest::newRow("one digit") << QStringLiteral("7") << accepted;
    QTest::newRow("one letter") << QStringLiteral("F") << accepted;
    QTest::newRow("00") << QStringLiteral("00") << accepted;
    QTest::newRow("FF") << QStringLiteral("FF") << accepted;
    QTest::newRow("0A") << QStringLiteral("0A") << accepted;
    QTest::newRow("FFF is too long") << QStringLiteral("FFF") << hexTooLong;
    QTest::newRow("leading zero makes it too long") << QStringLiteral("00F") << hexTooLong;
    QTest::newRow("GGG is a bad character") << QStringLiteral("GGG") << badHexCharacter;
    QTest::newRow("0X1F is a bad character") << QStringLiteral("0X1F") << badHexCharacter;
    QTest::newRow("characters before length") << QStringLiteral("ABCDEFG") << badHexCharacter;
    QTest::newRow("lower case is not accepted here") << QStringLiteral("ff") << badHexCharacter;
    QTest::newRow("G") << QStringLiteral("G") << badHexCharacter;
    QTest::newRow("at sign before A") << QStringLiteral("@") << badHexCharacter;
    QTest::newRow("colon after 9") << QStringLiteral(":") << badHexCharacter;
    QTest::newRow("tab") << QStringLiteral("A\t") << badHexCharacter;
    QTest::newRow("line break") << QStringLiteral("\n") << badHexCharacter;
    QTest::newRow("fullwidth A") << QStringLiteral(u"\uFF21") << badHexCharacter;
}

void tst_TransmitEncoding::shouldValidateHexToken()
{
    QFETCH(QString, token);
    QFETCH(QString, message);

    const std::optional<QString> result = ValidateHexByte(token);

    QCOMPARE(result.has_value(), !message.isEmpty());
    QCOMPARE(result.value_or(QString()), message);
}

void tst_TransmitEncoding::addEncodingColumns()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("normalised");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
}

void tst_TransmitEncoding::checkEncoding(DataFormat format)
{
    QFETCH(QString, text);
    QFETCH(QString, normalised);
    QFETCH(bool, sent);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);

    const EncodedTransmitData encoded = EncodeTransmitData(text, format);

    QCOMPARE(encoded.normalisedText, normalised);
    QCOMPARE(encoded.bytes.has_value(), sent);
    if (sent)
        QCOMPARE(*encoded.bytes, bytes);
    QCOMPARE(encoded.error, error);
}

void tst_TransmitEncoding::shouldEncodeDecimal_data()
{
    addEncodingColumns();
    const QString none;

    QTest::newRow("one two three") << QStringLiteral("1 2 3") << QStringLiteral("1 2 3") << true
                                   << QByteArray("\x01\x02\x03") << none;
    QTest::newRow("outer spaces removed")
        << QStringLiteral("  65 66  ") << QStringLiteral("65 66") << true << QByteArray("AB") << none;
    QTest::newRow("Hi") << QStringLiteral("72 105") << QStringLiteral("72 105") << true << QByteArray("Hi") << none;
    QTest::newRow("0 and 255") << QStringLiteral("0 255") << QStringLiteral("0 255") << true
                               << QByteArray("\x00\xFF", 2) << none;
    QTest::newRow("127 and 128") << QStringLiteral("127 128") << QStringLiteral("127 128") << true
                                 << QByteArray("\x7F\x80") << none;
    QTest::newRow("leading zeros") << QStringLiteral("007 000255") << QStringLiteral("007 000255") << true
                                   << QByteArray("\x07\xFF") << none;
    QTest::newRow("one number") << QStringLiteral("9") << QStringLiteral("9") << true << QByteArray("\x09") << none;
    QTest::newRow("empty box") << QString() << QString() << true << QByteArray() << none;
    QTest::newRow("spaces only") << QStringLiteral("    ") << QString() << true << QByteArray() << none;
    QTest::newRow("256 out of range") << QStringLiteral("256") << QStringLiteral("256") << false << QByteArray()
                                      << outOfRange;
    QTest::newRow("400-digit number") << QStringLiteral("1 ") + digits(400, u'7')
                                      << QStringLiteral("1 ") + digits(400, u'7') << false << QByteArray()
                                      << outOfRange;
    QTest::newRow("minus sign") << QStringLiteral("-1") << QStringLiteral("-1") << false << QByteArray() << notNumeric;
    QTest::newRow("comma between numbers")
        << QStringLiteral("1,2") << QStringLiteral("1,2") << false << QByteArray() << notNumeric;
    QTest::newRow("two spaces give an empty token")
        << QStringLiteral("1  2") << QStringLiteral("1  2") << false << QByteArray() << notNumeric;
    QTest::newRow("bytes before a bad token are not sent")
        << QStringLiteral("10 20 x 30") << QStringLiteral("10 20 x 30") << false << QByteArray() << notNumeric;
    QTest::newRow("first bad token decides the message")
        << QStringLiteral("10 999 x") << QStringLiteral("10 999 x") << false << QByteArray() << outOfRange;
    QTest::newRow("bad character before a range error")
        << QStringLiteral("x 999") << QStringLiteral("x 999") << false << QByteArray() << notNumeric;
    QTest::newRow("tab between numbers") << QStringLiteral("1\t2") << QStringLiteral("1\t2") << false << QByteArray()
                                         << notNumeric;
    QTest::newRow("line break between numbers")
        << QStringLiteral("1\n2") << QStringLiteral("1\n2") << false << QByteArray() << notNumeric;
    QTest::newRow("line break after the last number is not trimmed")
        << QStringLiteral(" 1 2\n") << QStringLiteral("1 2\n") << false << QByteArray() << notNumeric;
    QTest::newRow("tab at the start is not trimmed")
        << QStringLiteral("\t1") << QStringLiteral("\t1") << false << QByteArray() << notNumeric;
    QTest::newRow("no-break space is not trimmed")
        << QStringLiteral(u"1\u00A0") << QStringLiteral(u"1\u00A0") << false << QByteArray() << notNumeric;
    QTest::newRow("hex letters are not decimal")
        << QStringLiteral("0A") << QStringLiteral("0A") << false << QByteArray() << notNumeric;
}

void tst_TransmitEncoding::shouldEncodeDecimal()
{
    checkEncoding(DataFormat::Decimal);
}

void tst_TransmitEncoding::shouldEncodeHex_data()
{
    addEncodingColumns();
    const QString none;

    QTest::newRow("lower case is upper-cased in the box")
        << QStringLiteral("ff 0a 7") << QStringLiteral("FF 0A 7") << true << QByteArray("\xFF\x0A\x07") << none;
    QTest::newRow("Hello CR LF") << QStringLiteral("48 65 6C 6C 6F 0D 0A") << QStringLiteral("48 65 6C 6C 6F 0D 0A")
                                 << true << QByteArray("Hello\r\n") << none;
    QTest::newRow("outer spaces removed and upper-cased")
        << QStringLiteral("  ab cd ") << QStringLiteral("AB CD") << true << QByteArray("\xAB\xCD") << none;
    QTest::newRow("00 7F 80 FF") << QStringLiteral("00 7f 80 ff") << QStringLiteral("00 7F 80 FF") << true
                                 << QByteArray("\x00\x7F\x80\xFF", 4) << none;
    QTest::newRow("single zero digit") << QStringLiteral("0") << QStringLiteral("0") << true << QByteArray("\0", 1)
                                       << none;
    QTest::newRow("empty box") << QString() << QString() << true << QByteArray() << none;
    QTest::newRow("spaces only") << QStringLiteral("   ") << QString() << true << QByteArray() << none;
    QTest::newRow("FFF is too long") << QStringLiteral("FFF") << QStringLiteral("FFF") << false << QByteArray()
                                     << hexTooLong;
    QTest::newRow("GGG is a bad character")
        << QStringLiteral("GGG") << QStringLiteral("GGG") << false << QByteArray() << badHexCharacter;
    QTest::newRow("0x1F is a bad character, shown upper-cased")
        << QStringLiteral("0x1F") << QStringLiteral("0X1F") << false << QByteArray() << badHexCharacter;
    QTest::newRow("bytes before a bad token are not sent")
        << QStringLiteral("01 02 zz") << QStringLiteral("01 02 ZZ") << false << QByteArray() << badHexCharacter;
    QTest::newRow("two spaces end the send silently")
        << QStringLiteral("A  B") << QStringLiteral("A  B") << false << QByteArray() << QString();
    QTest::newRow("empty token ends it before a later bad token")
        << QStringLiteral("a  zz") << QStringLiteral("A  ZZ") << false << QByteArray() << QString();
    QTest::newRow("bad token before an empty token is reported")
        << QStringLiteral("zz  a") << QStringLiteral("ZZ  A") << false << QByteArray() << badHexCharacter;
    QTest::newRow("tab between numbers") << QStringLiteral("1\t2") << QStringLiteral("1\t2") << false << QByteArray()
                                         << badHexCharacter;
    QTest::newRow("line break after the last number")
        << QStringLiteral("0a\n") << QStringLiteral("0A\n") << false << QByteArray() << badHexCharacter;
}

void tst_TransmitEncoding::shouldEncodeHex()
{
    checkEncoding(DataFormat::Hex);
}

void tst_TransmitEncoding::shouldEncodeString_data()
{
    addEncodingColumns();
    const QString none;

    QTest::newRow("spaces around a word are sent")
        << QStringLiteral("  word  ") << QStringLiteral("  word  ") << true << QByteArray("  word  ") << none;
    QTest::newRow("case kept") << QStringLiteral("ff") << QStringLiteral("ff") << true << QByteArray("ff") << none;
    QTest::newRow("numbers are text") << QStringLiteral("72 105") << QStringLiteral("72 105") << true
                                      << QByteArray("72 105") << none;
    QTest::newRow("line break goes out as CR LF")
        << QStringLiteral("Hello\n") << QStringLiteral("Hello\n") << true << QByteArray("Hello\r\n") << none;
    QTest::newRow("empty box") << QString() << QString() << true << QByteArray() << none;
    QTest::newRow("byte values 0 127 128 255") << QString(QChar(0)) + QStringLiteral(u"\u007F\u0080\u00FF")
                                               << QString(QChar(0)) + QStringLiteral(u"\u007F\u0080\u00FF") << true
                                               << QByteArray("\x00\x7F\x80\xFF", 4) << none;
    QTest::newRow("tab is sent") << QStringLiteral("a\tb") << QStringLiteral("a\tb") << true << QByteArray("a\tb")
                                 << none;
    QTest::newRow("beyond Latin-1 becomes a question mark")
        << QStringLiteral(u"\u20AC5") << QStringLiteral(u"\u20AC5") << true << QByteArray("?5") << none;
    QTest::newRow("astral character becomes one question mark")
        << QStringLiteral(u"\U0001F600!") << QStringLiteral(u"\U0001F600!") << true << QByteArray("?!") << none;
}

void tst_TransmitEncoding::shouldEncodeString()
{
    checkEncoding(DataFormat::String);
}

QTEST_APPLESS_MAIN(tst_TransmitEncoding)
#include "tst_transmitencoding.moc"
