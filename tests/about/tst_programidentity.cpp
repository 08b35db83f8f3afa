// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "about/ProgramIcon.h"
#include "about/ProgramIdentity.h"

#include <QImage>
#include <QSet>
#include <QTest>

class tst_ProgramIdentity : public QObject
{
    Q_OBJECT

private slots:
    void shouldRecordTheVersionTexts_data();
    void shouldRecordTheVersionTexts();
    void shouldRecordTheVersionNumbers();
    void shouldDrawTheIconIn32PixelsAndSixteenColours();
};

namespace {

// The version the build was made from, major.minor.patch.revision: the
// project's one statement of it.
const QStringList projectVersion = QStringLiteral(VORTLANE_PROJECT_VERSION).split(u'.');

int versionPart(int index)
{
    return projectVersion.value(index).toInt();
}

// The version as users read it: the minor number in two digits and the
// revision in four, 1.00.0056 for 1.0.0.56.
QString versionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(versionPart(0))
        .arg(versionPart(1), 2, 10, QLatin1Char('0'))
        .arg(versionPart(3), 4, 10, QLatin1Char('0'));
}

} // namespace

void tst_ProgramIdentity::shouldRecordTheVersionTexts_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    using namespace ProgramIdentity;
    QTest::newRow("title") << QString(Title) << QStringLiteral("Vortlane");
    QTest::newRow("file version, minor in two digits, revision in four") << QString(FileVersion) << versionText();
    QTest::newRow("product version, the same") << QString(ProductVersion) << versionText();
    QTest::newRow("product name") << QString(ProductName) << QStringLiteral("Vortlane");
    QTest::newRow("internal name") << QString(InternalName) << QStringLiteral("Vortlane");
    QTest::newRow("original file name") << QString(OriginalFilename) << QStringLiteral("Vortlane.exe");
}

void tst_ProgramIdentity::shouldRecordTheVersionTexts()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void tst_ProgramIdentity::shouldRecordTheVersionNumbers()
{
    QCOMPARE(projectVersion.size(), 4);
    QCOMPARE(ProgramIdentity::Major, versionPart(0));
    QCOMPARE(ProgramIdentity::Minor, versionPart(1));
    // With the texts checked against the same version, texts and numbers agree.
    QCOMPARE(ProgramIdentity::Revision, versionPart(3));
}

void tst_ProgramIdentity::shouldDrawTheIconIn32PixelsAndSixteenColours()
{
    const QIcon icon = programIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    const QImage picture = icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(picture.size(), QSize(32, 32));

    QSet<QRgb> colours;
    int transparent = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            if (qAlpha(pixel) == 0)
                ++transparent;
            else
                colours.insert(pixel);
        }
    QVERIFY2(colours.size() <= 16, qPrintable(QString::number(colours.size())));
    // A real picture, with a shape of its own against the mask.
    QVERIFY(colours.size() >= 4);
    QVERIFY(transparent > 0);
    QVERIFY(transparent < 32 * 32 * 3 / 4);
}

QTEST_MAIN(tst_ProgramIdentity)
#include "tst_programidentity.moc"
