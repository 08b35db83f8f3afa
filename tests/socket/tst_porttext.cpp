// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "socket/EventSocketError.h"
#include "socket/PortText.h"

#include <QTest>

#include <cmath>
#include <limits>

class tst_PortText : public QObject
{
    Q_OBJECT

private slots:
    void shouldReadNumbersAsAPortBoxHoldsThem_data();
    void shouldReadNumbersAsAPortBoxHoldsThem();
    void shouldRejectTextThatIsNotANumber_data();
    void shouldRejectTextThatIsNotANumber();
    void shouldReadAnOverflowingExponentAsInfinite();
    void shouldRoundHalfToEven_data();
    void shouldRoundHalfToEven();
    void shouldReadOnlyPortsInRange_data();
    void shouldReadOnlyPortsInRange();
};

void tst_PortText::shouldReadNumbersAsAPortBoxHoldsThem_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("plain digits") << QStringLiteral("4000") << 4000.0;
    QTest::newRow("leading zeros") << QStringLiteral("04000") << 4000.0;
    QTest::newRow("spaces around") << QStringLiteral("  4000  ") << 4000.0;
    QTest::newRow("tabs around") << QStringLiteral("\t80\t") << 80.0;
    QTest::newRow("plus sign") << QStringLiteral("+80") << 80.0;
    QTest::newRow("minus sign") << QStringLiteral("-1") << -1.0;
    QTest::newRow("fraction") << QStringLiteral("400.5") << 400.5;
    QTest::newRow("point with no fraction digits") << QStringLiteral("5.") << 5.0;
    QTest::newRow("fraction with no whole digits") << QStringLiteral(".5") << 0.5;
    QTest::newRow("exponent") << QStringLiteral("4e3") << 4000.0;
    QTest::newRow("capital exponent with sign") << QStringLiteral("25E-1") << 2.5;
    QTest::newRow("exponent with plus") << QStringLiteral("1e+2") << 100.0;
    QTest::newRow("zero") << QStringLiteral("0") << 0.0;
    QTest::newRow("largest port") << QStringLiteral("65535") << 65535.0;
    QTest::newRow("beyond the port range is still a number") << QStringLiteral("70000") << 70000.0;
}

void tst_PortText::shouldReadNumbersAsAPortBoxHoldsThem()
{
    QFETCH(QString, text);
    QFETCH(double, expected);

    QCOMPARE(readPortNumber(text), expected);
}

void tst_PortText::shouldRejectTextThatIsNotANumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("description");

    const auto notANumber = [](const QString &text) { return u'"' + text + QStringLiteral("\" is not a number"); };
    const QString empty = QStringLiteral("The port is empty");

    QTest::newRow("empty") << QString() << empty;
    QTest::newRow("blanks only") << QStringLiteral(" \t ") << empty;
    QTest::newRow("letters") << QStringLiteral("abc") << notANumber(QStringLiteral("abc"));
    QTest::newRow("infinity") << QStringLiteral("inf") << notANumber(QStringLiteral("inf"));
    QTest::newRow("not-a-number") << QStringLiteral("nan") << notANumber(QStringLiteral("nan"));
    QTest::newRow("hexadecimal") << QStringLiteral("0x10") << notANumber(QStringLiteral("0x10"));
    QTest::newRow("decimal comma") << QStringLiteral("1,5") << notANumber(QStringLiteral("1,5"));
    QTest::newRow("blank inside") << QStringLiteral("40 00") << notANumber(QStringLiteral("40 00"));
    QTest::newRow("trailing letter") << QStringLiteral("4000a") << notANumber(QStringLiteral("4000a"));
    QTest::newRow("quoted as typed, blanks kept") << QStringLiteral(" x ") << notANumber(QStringLiteral(" x "));
    QTest::newRow("two signs") << QStringLiteral("--1") << notANumber(QStringLiteral("--1"));
    // The description goes on a one-line status line: control characters
    // show as their symbols rather than breaking it.
    QTest::newRow("line break shown as a symbol")
        << QStringLiteral("4\r\n0") << notANumber(QStringLiteral("4\u240D\u240A0"));
    QTest::newRow("tab and zero shown as symbols")
        << QStringLiteral("4\t\0005") << notANumber(QStringLiteral("4\u2409\u24005"));
    QTest::newRow("sign alone") << QStringLiteral("+") << notANumber(QStringLiteral("+"));
    QTest::newRow("point alone") << QStringLiteral(".") << notANumber(QStringLiteral("."));
    QTest::newRow("exponent alone") << QStringLiteral("e5") << notANumber(QStringLiteral("e5"));
    QTest::newRow("exponent without digits") << QStringLiteral("1e") << notANumber(QStringLiteral("1e"));
    QTest::newRow("exponent sign without digits") << QStringLiteral("1e+") << notANumber(QStringLiteral("1e+"));
    QTest::newRow("two points") << QStringLiteral("1.2.3") << notANumber(QStringLiteral("1.2.3"));
    QTest::newRow("line break after") << QStringLiteral("80\n") << notANumber(QStringLiteral("80\u240A"));
    QTest::newRow("digits of another script")
        << QStringLiteral("\u0664\u0660") << notANumber(QStringLiteral("\u0664\u0660"));
}

void tst_PortText::shouldRejectTextThatIsNotANumber()
{
    QFETCH(QString, text);
    QFETCH(QString, description);

    try {
        readPortNumber(text);
        QFAIL("the text was read as a number");
    } catch (const EventSocketError &error) {
        QCOMPARE(error.description(), description);
        QCOMPARE(QString::fromUtf8(error.what()), description);
    }
}

void tst_PortText::shouldReadAnOverflowingExponentAsInfinite()
{
    // A well-formed number, far out of any port range: the range check, not
    // the conversion, turns it down.
    QVERIFY(std::isinf(readPortNumber(QStringLiteral("1e999"))));
    QVERIFY(readPortNumber(QStringLiteral("-1e999")) < 0);
    QCOMPARE(readPortNumber(QStringLiteral("1e-999")), 0.0);
}

void tst_PortText::shouldRoundHalfToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");

    QTest::newRow("400.5 down to even") << 400.5 << 400;
    QTest::newRow("401.5 up to even") << 401.5 << 402;
    QTest::newRow("2.5 down to even") << 2.5 << 2;
    QTest::newRow("0.5 down to zero") << 0.5 << 0;
    QTest::newRow("1.5 up to two") << 1.5 << 2;
    QTest::newRow("below half") << 400.4 << 400;
    QTest::newRow("above half") << 400.6 << 401;
    QTest::newRow("whole number") << 65535.0 << 65535;
    QTest::newRow("negative half to even") << -2.5 << -2;
    QTest::newRow("negative odd half") << -3.5 << -4;
    QTest::newRow("negative below half") << -0.4 << 0;
    QTest::newRow("huge saturates") << 1e300 << std::numeric_limits<int>::max();
    QTest::newRow("huge negative saturates") << -1e300 << std::numeric_limits<int>::min();
    QTest::newRow("infinity saturates") << std::numeric_limits<double>::infinity() << std::numeric_limits<int>::max();
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0;
}

void tst_PortText::shouldRoundHalfToEven()
{
    QFETCH(double, value);
    QFETCH(int, expected);

    QCOMPARE(roundHalfEven(value), expected);
}

void tst_PortText::shouldReadOnlyPortsInRange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // -1: turned down as out of range

    QTest::newRow("lowest") << QStringLiteral("0") << 0;
    QTest::newRow("highest") << QStringLiteral("65535") << 65535;
    QTest::newRow("halfway down to even") << QStringLiteral("400.5") << 400;
    QTest::newRow("halfway up to even") << QStringLiteral("401.5") << 402;
    QTest::newRow("blanks around") << QStringLiteral(" 8080\t") << 8080;
    QTest::newRow("negative zero") << QStringLiteral("-0") << 0;
    QTest::newRow("exponent") << QStringLiteral("4e3") << 4000;
    QTest::newRow("one above") << QStringLiteral("65536") << -1;
    QTest::newRow("one below") << QStringLiteral("-1") << -1;
    QTest::newRow("fraction above the top") << QStringLiteral("65535.4") << -1;
    QTest::newRow("fraction below zero") << QStringLiteral("-0.4") << -1;
    QTest::newRow("overflowing exponent") << QStringLiteral("1e999") << -1;
    QTest::newRow("wraps around in 16 bits") << QStringLiteral("65616") << -1;
}

void tst_PortText::shouldReadOnlyPortsInRange()
{
    QFETCH(QString, text);
    QFETCH(int, expected);

    if (expected >= 0) {
        QCOMPARE(int(readPort(text)), expected);
        return;
    }
    try {
        readPort(text);
        QFAIL("the port was accepted");
    } catch (const EventSocketError &error) {
        QCOMPARE(error.description(), u'"' + text + QStringLiteral("\" is not a port number from 0 to 65535"));
    }
}

QTEST_GUILESS_MAIN(tst_PortText)
#include "tst_porttext.moc"
