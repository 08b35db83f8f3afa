// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "HelpFile.h"

#include <QWidget>

#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;
class SearchQuery;

// The help viewer's window: the topics finder (contents, index and search)
// beside the pane that shows one topic. It is a top-level window of its own
// and is deleted when it closes.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    // helpFile is the name as the program gave it (see helpFileCandidates).
    explicit HelpWindow(const QString &helpFile);

    // Brings the finder to the front, reading the file first if no earlier
    // attempt succeeded, so a file put in place meanwhile is found. Returns
    // whether the file's topics are shown.
    bool openFinder();

    bool isLoaded() const { return loaded; }
    // The path the topics were read from; empty while none could be.
    QString loadedPath() const { return path; }

private:
    void buildWidgets();
    void load();
    void showProblem(const QString &message);
    void clearFinder();
    void fillContents();
    void fillIndex();

    void showTopic(int topic);
    void displayTopic(int topic);
    void followLink(const QUrl &url);
    // Back is a step of -1 in the history, Forward one of 1.
    void stepHistory(int step);
    void updateHistoryButtons();

    void indexItemChosen(QTreeWidgetItem *item);
    void jumpInIndex(const QString &typed);
    void runSearch(const QString &typed);
    void searchResultChosen(int row);
    void markSearchTerms(const SearchQuery &query);

    QString helpFile;
    QString path;
    HelpFile file;
    bool loaded = false;

    int currentTopic = -1;
    std::vector<int> history; // topics shown, for Back and Forward
    int historyPos = -1;

    QToolButton *backButton = nullptr;
    QToolButton *forwardButton = nullptr;
    QTabWidget *finderTabs = nullptr;
    QListWidget *contentsList = nullptr;
    QLineEdit *indexFilter = nullptr;
    QTreeWidget *indexList = nullptr;
    QLineEdit *searchEdit = nullptr;
    QLabel *searchStatus = nullptr;
    QListWidget *searchResults = nullptr;
    QTextBrowser *topicView = nullptr;
};
