// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The words a search compares: runs of letters and digits, case-folded, so
// "Listen," and "listen" are the same word and punctuation never matters.
QStringList searchWords(const QString &text);

// What the reader typed in the search box. Each blank-separated term must
// occur in a topic for the topic to match. A term whose words are joined by
// punctuation (127.0.0.1) or typed in double quotes ("remote port") is a
// phrase: its words must follow one another.
class SearchQuery
{
public:
    explicit SearchQuery(const QString &typed);

    bool isEmpty() const { return terms.empty(); }

    // Whether every term occurs in the words of a topic (see searchWords).
    bool matches(const QStringList &topicWords) const;

    // The terms as typed, without quotes, for marking them in a shown topic.
    const QStringList &typedTerms() const { return typed; }

private:
    std::vector<QStringList> terms;
    QStringList typed;
};
