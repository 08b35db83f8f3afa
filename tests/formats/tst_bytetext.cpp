// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "formats/ByteText.h"

#include <QTest>

class tst_ByteText : public QObject
{
    Q_OBJECT

private slots:
    void shouldTurnTextIntoOneBytePerCharacter_data();
    void shouldTurnTextIntoOneBytePerCharacter();
    void shouldSendLineBreaksAsCrLf_data();
    void shouldSendLineBreaksAsCrLf();
    void shouldGiveEveryByteItsLatin1Character();
    void shouldKeepZeroBytesInsideText();
};

void tst_ByteText::shouldTurnTextIntoOneBytePerCharacter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty text") << QString() << QByteArray();
    QTest::newRow("plain ASCII") << QStringLiteral("Hello") << QByteArray("Hello");
    QTest::newRow("Latin-1 letters keep their code")
        << QStringLiteral(u"caf\u00E9 \u00FF") << QByteArray("caf\xE9 \xFF");
    QTest::newRow("zero character is a byte, not an end")
        << QString(QChar(0)) + QStringLiteral("A") << QByteArray("\0A", 2);
    QTest::newRow("line break stays a single LF") << QStringLiteral("a\nb") << QByteArray("a\nb");
    QTest::newRow("euro sign is beyond Latin-1") << QStringLiteral(u"1\u20AC") << QByteArray("1?");
    QTest::newRow("surrogate pair is one character, one question mark")
        << QStringLiteral(u"a\U0001F600b") << QByteArray("a?b");
    QTest::newRow("two astral characters in a row") << QStringLiteral(u"\U0001F600\U00010348") << QByteArray("??");
    QTest::newRow("lone high surrogate") << QString(QChar(0xD83D)) + QStringLiteral("x") << QByteArray("?x");
    QTest::newRow("high surrogate at the very end") << QStringLiteral("x") + QChar(0xD83D) << QByteArray("x?");
    QTest::newRow("lone low surrogate") << QString(QChar(0xDE00)) + QStringLiteral("x") << QByteArray("?x");
    QTest::newRow("two high surrogates") << QString(QChar(0xD83D)) + QChar(0xD83D) << QByteArray("??");
}

void tst_ByteText::shouldTurnTextIntoOneBytePerCharacter()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);

    QCOMPARE(bytesFromText(text), bytes);
}

void tst_ByteText::shouldSendLineBreaksAsCrLf_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty text") << QString() << QByteArray();
    QTest::newRow("no line break") << QStringLiteral(" word ") << QByteArray(" word ");
    QTest::newRow("line break between lines") << QStringLiteral("ab\ncd") << QByteArray("ab\r\ncd");
    QTest::newRow("line break at the end") << QStringLiteral("ab\n") << QByteArray("ab\r\n");
    QTest::newRow("empty lines") << QStringLiteral("\n\n") << QByteArray("\r\n\r\n");
    QTest::newRow("astral character beside a line break")
        << QStringLiteral(u"\U0001F600\n\u00E9") << QByteArray("?\r\n\xE9");
}

void tst_ByteText::shouldSendLineBreaksAsCrLf()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);

    QCOMPARE(bytesFromTypedText(text), bytes);
}

void tst_ByteText::shouldGiveEveryByteItsLatin1Character()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));

    const QString text = textFromBytes(bytes);

    QCOMPARE(text.size(), 256);
    for (int b = 0; b < 256; ++b)
        QCOMPARE(text.at(b).unicode(), char16_t(b));
    QCOMPARE(bytesFromText(text), bytes);
}

void tst_ByteText::shouldKeepZeroBytesInsideText()
{
    const QByteArray bytes("A\0\0B\0", 5);

    const QString text = textFromBytes(bytes);

    QCOMPARE(text.size(), 5);
    QCOMPARE(text.at(4), QChar(0));
    QCOMPARE(bytesFromText(text), bytes);
}

QTEST_APPLESS_MAIN(tst_ByteText)
#include "tst_bytetext.moc"
