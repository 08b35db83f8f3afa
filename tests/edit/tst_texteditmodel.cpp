// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "edit/TextEditModel.h"

#include <QTest>

// How the keys step through a text and how edits are undone. What the keys
// do in the box is compared with the desktop's own text box in the window's
// tests; here are the steps a double click takes, characters longer than
// the text the steps look at first, and where undo leaves the caret.
class tst_TextEditModel : public QObject
{
    Q_OBJECT

private slots:
    void stepsShouldGoOverWholeCharactersAndWords_data();
    void stepsShouldGoOverWholeCharactersAndWords();
    void editsShouldBeUndoneInSteps_data();
    void editsShouldBeUndoneInSteps();
};

void tst_TextEditModel::stepsShouldGoOverWholeCharactersAndWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    const QString accents = u'a' + QString(100, QChar(0x301)) + u'b';
    const QString longText = QString(100000, u'7') + QStringLiteral("e\u0301");
    const QString words = QStringLiteral("foo.bar  baz\n  4F 6B");
    // For a character or word step, the offset it reaches is "to".
    QTest::newRow("right over a hundred accents") << accents << "next" << 0 << 0 << 101;
    QTest::newRow("left over a hundred accents") << accents << "previous" << 101 << 0 << 0;
    QTest::newRow("right over an accent far into a text") << longText << "next" << 100000 << 0 << 100002;
    QTest::newRow("left over an accent far into a text") << longText << "previous" << 100002 << 0 << 100000;
    QTest::newRow("word: a letter in it") << words << "word" << 1 << 0 << 3;
    QTest::newRow("word: its end") << words << "word" << 3 << 3 << 4;
    QTest::newRow("word: before the spaces after it") << words << "word" << 7 << 4 << 7;
    QTest::newRow("word: between those spaces") << words << "word" << 8 << 4 << 7;
    QTest::newRow("word: at a line's end") << words << "word" << 12 << 9 << 12;
    QTest::newRow("word: between spaces at a line's start") << words << "word" << 14 << 13 << 13;
    QTest::newRow("word: a hex byte") << words << "word" << 16 << 15 << 17;
    QTest::newRow("word: the last byte, at the end") << words << "word" << 20 << 18 << 20;
}

void tst_TextEditModel::stepsShouldGoOverWholeCharactersAndWords()
{
    QFETCH(QString, text);
    QFETCH(QString, step);
    QFETCH(int, offset);
    QFETCH(int, from);
    QFETCH(int, to);
    if (step == u"word") {
        const auto [start, end] = TextEditModel::wordAround(text, offset);
        QCOMPARE(start, qsizetype(from));
        QCOMPARE(end, qsizetype(to));
    } else {
        const bool next = step == u"next";
        QCOMPARE(next ? TextEditModel::nextCharacter(text, offset) : TextEditModel::previousCharacter(text, offset),
                 qsizetype(to));
    }
}

void tst_TextEditModel::editsShouldBeUndoneInSteps_data()
{
    // Steps: "type:" a text, "select:anchor,cursor", "left", "right",
    // "backspace", "delete", "undo".
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("anchor");
    QTest::newRow("a caret moved away and back ends a typed run")
        << QString() << QStringList{"type:ab", "type:c", "left", "right", "type:d", "undo"} << "abc" << 3 << 3;
    QTest::newRow("delete then backspace beside it, one step")
        << "abcdef" << QStringList{"select:3,3", "delete", "backspace", "undo"} << "abcdef" << 4 << 4;
    QTest::newRow("undone, the caret after the text put back")
        << "abcd" << QStringList{"select:3,1", "type:X", "type:Y", "undo"} << "abcd" << 3 << 3;
}

void tst_TextEditModel::editsShouldBeUndoneInSteps()
{
    QFETCH(QString, text);
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);
    QFETCH(int, cursor);
    QFETCH(int, anchor);
    TextEditModel model;
    model.setText(text);
    for (const QString &step : std::as_const(steps)) {
        const QString argument = step.section(u':', 1);
        if (step.startsWith(u"type:"))
            model.type(argument);
        else if (step.startsWith(u"select:"))
            model.setSelection(argument.section(u',', 0, 0).toInt(), argument.section(u',', 1).toInt());
        else if (step == u"left")
            model.moveToPreviousCharacter(false);
        else if (step == u"right")
            model.moveToNextCharacter(false);
        else if (step == u"backspace")
            model.deletePreviousCharacter();
        else if (step == u"delete")
            model.deleteNextCharacter();
        else if (step == u"undo")
            model.undo();
        else
            QFAIL(qPrintable(step));
    }
    QCOMPARE(model.text(), expected);
    QCOMPARE(model.cursor(), qsizetype(cursor));
    QCOMPARE(model.anchor(), qsizetype(anchor));
}

QTEST_APPLESS_MAIN(tst_TextEditModel)
#include "tst_texteditmodel.moc"
