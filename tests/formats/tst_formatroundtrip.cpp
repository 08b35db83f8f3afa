// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "formats/ByteText.h"
#include "formats/ReceivedRendering.h"
#include "formats/TransmitEncoding.h"

#include <QTest>

#include <algorithm>
#include <numeric>

// What one panel shows, typed into the other panel in the same format,
// sends the very bytes that arrived: no byte value is lost or changed.
class tst_FormatRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void shouldSendBackWhatWasShown_data();
    void shouldSendBackWhatWasShown();
    void shouldTurnTextFromBytesBackIntoTheSameBytes_data();
    void shouldTurnTextFromBytesBackIntoTheSameBytes();

private:
    void addByteOrders();
};

void tst_FormatRoundTrip::addByteOrders()
{
    QTest::addColumn<QByteArray>("bytes");

    QByteArray ascending(256, Qt::Uninitialized);
    std::iota(ascending.begin(), ascending.end(), char(0));
    QByteArray descending = ascending;
    std::reverse(descending.begin(), descending.end());
    QByteArray interleaved;
    for (int i = 0; i < 128; ++i)
        interleaved.append(char(i)).append(char(255 - i));

    QTest::newRow("all 256 values ascending") << ascending;
    QTest::newRow("all 256 values descending") << descending;
    QTest::newRow("all 256 values interleaved") << interleaved;
    QTest::newRow("single zero byte") << QByteArray(1, '\0');
    QTest::newRow("single 255 byte") << QByteArray(1, '\xFF');
}

void tst_FormatRoundTrip::shouldSendBackWhatWasShown_data()
{
    addByteOrders();
}

void tst_FormatRoundTrip::shouldSendBackWhatWasShown()
{
    QFETCH(QByteArray, bytes);

    for (const DataFormat format : {DataFormat::Decimal, DataFormat::Hex}) {
        const QString shown = RenderReceivedData(bytes, bytes.size(), format);
        const EncodedTransmitData sent = EncodeTransmitData(shown, format);
        QCOMPARE(sent.error, QString());
        QVERIFY(sent.bytes.has_value());
        QCOMPARE(*sent.bytes, bytes);
    }
}

void tst_FormatRoundTrip::shouldTurnTextFromBytesBackIntoTheSameBytes_data()
{
    addByteOrders();
}

void tst_FormatRoundTrip::shouldTurnTextFromBytesBackIntoTheSameBytes()
{
    QFETCH(QByteArray, bytes);

    QCOMPARE(bytesFromText(textFromBytes(bytes)), bytes);
}

QTEST_APPLESS_MAIN(tst_FormatRoundTrip)
#include "tst_formatroundtrip.moc"
