// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QHash>
#include <QString>

#include <optional>

struct HelpTag
{
    QString name; // lower case
    bool closing = false;
    QHash<QString, QString> attributes; // names in lower case, values decoded
    qsizetype begin = 0;                // the '<'
    qsizetype end = 0;                  // just past the '>'
};

// An attribute's value as written, its character references decoded.
QString decodeHelpAttribute(const QString &value);

// Walks a help file's markup just far enough to find the topics, the title
// and the style sheet. It is our own format, so no repairs: every structural
// mistake stops the reading with a message that gives its line.
class HelpTagScanner
{
public:
    explicit HelpTagScanner(const QString &text)
        : text(text)
    {}

    // The first mistake met, as "line N: what".
    std::optional<QString> error;

    int lineAt(qsizetype pos);
    // The next tag at or after pos, or nothing at the end of the text or on
    // an error. Comments and declarations are stepped over.
    std::optional<HelpTag> nextTag(qsizetype &pos);
    // The raw content of a <style>, <script> or <title> element that starts
    // at pos, which is then moved past its end tag.
    std::optional<QString> rawContent(qsizetype &pos, const QString &name);
    void fail(qsizetype pos, const QString &what);

private:
    void skipBlanks(qsizetype &pos) const;
    std::optional<HelpTag> readTag(qsizetype begin, bool closing, qsizetype pos);

    const QString &text;
    qsizetype countedTo = 0;
    int countedLine = 1;
};
