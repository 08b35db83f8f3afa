// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

class QByteArray;

// One topic: a <section> of the help file with an id, a title and the
// keywords under which the index lists it.
struct HelpTopic
{
    QString id;
    QString title;
    QStringList keywords;
    QString html;        // the section's content, shown as written
    QStringList words;   // its title and text as searchWords() splits them
    QStringList anchors; // ids inside the topic that a link may point at
    int line = 0;        // where the section starts, for messages
};

// A keyword of the index and the topics that carry it, in file order.
struct HelpIndexEntry
{
    QString keyword;
    QList<int> topics;
};

// A help file: UTF-8 HTML in which every <section> is one topic.
//
//   <section id="getting-started" data-title="Getting started"
//            data-keywords="loopback; first exchange">
//     <h1>Getting started</h1> ... <a href="#formats">formats</a> ...
//   </section>
//
// The title falls back to the section's first heading when data-title is
// absent. Keywords are separated by semicolons, so a keyword may hold a
// comma. A <title> and <style> outside the topics name the file and style
// every topic. Topics cannot nest. Reading needs a QGuiApplication: a topic's
// searchable text is taken as the rich-text engine reads it.
class HelpFile
{
public:
    enum class Status { Loaded, Unreadable, Malformed };

    // Reads and parses the file at path. On failure problem() says why, as a
    // sentence the reader can act on, without naming the file.
    Status load(const QString &path);
    Status parse(const QByteArray &bytes);

    QString problem() const { return problemText; }
    QString title() const { return fileTitle; }
    QString styleSheet() const { return sheet; }
    const std::vector<HelpTopic> &topics() const { return topicList; }
    const std::vector<HelpIndexEntry> &index() const { return indexEntries; }

    // The topic with this id, or -1.
    int topicById(const QString &id) const;
    // The topic with this id or holding an element with this id, or -1.
    int topicForAnchor(const QString &anchor) const;
    // The topics, in file order, whose title and text hold every term.
    QList<int> search(const QString &query) const;

private:
    Status fail(Status status, const QString &why);
    void buildIndex();

    QString problemText;
    QString fileTitle;
    QString sheet;
    std::vector<HelpTopic> topicList;
    std::vector<HelpIndexEntry> indexEntries;
};
