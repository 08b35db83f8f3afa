// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HelpSearch.h"

#include <algorithm>

QStringList searchWords(const QString &text)
{
    QStringList words;
    QString word;
    for (const QChar c : text) {
        if (c.isLetterOrNumber()) {
            word += c;
        } else if (!word.isEmpty()) {
            words.append(word.toCaseFolded());
            word.clear();
        }
    }
    if (!word.isEmpty())
        words.append(word.toCaseFolded());
    return words;
}

SearchQuery::SearchQuery(const QString &text)
{
    auto addTerm = [this](const QString &term) {
        QStringList words = searchWords(term);
        // A term of punctuation alone would match nothing and hide every topic.
        if (words.isEmpty())
            return;
        terms.push_back(std::move(words));
        typed.append(term.trimmed());
    };

    QString current;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"') {
            addTerm(current);
            current.clear();
            quoted = !quoted;
        } else if (c.isSpace() && !quoted) {
            addTerm(current);
            current.clear();
        } else {
            current += c;
        }
    }
    // An unclosed quote still searches for what was typed after it.
    addTerm(current);
}

bool SearchQuery::matches(const QStringList &topicWords) const
{
    return std::all_of(terms.cbegin(), terms.cend(), [&topicWords](const QStringList &term) {
        return std::search(topicWords.cbegin(), topicWords.cend(), term.cbegin(), term.cend()) != topicWords.cend();
    });
}
