// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HelpWindow.h"

#include "HelpLocation.h"
#include "HelpSearch.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int topicRole = Qt::UserRole;

QToolButton *navigationButton(QStyle::StandardPixmap icon, const QString &text, QKeySequence::StandardKey key,
                              QWidget *window)
{
    auto *button = new QToolButton;
    button->setIcon(window->style()->standardIcon(icon));
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setShortcut(QKeySequence(key));
    button->setAutoRaise(true);
    return button;
}

// Every control carries the name the tests find it by.
template <typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// What a screen reader calls a control, and what it adds when asked.
template <typename Widget>
Widget *spoken(Widget *widget, const QString &name, const QString &description = {})
{
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
    return widget;
}

QLineEdit *finderField(const char *name, const QString &placeholder, const QString &spokenName,
                       const QString &description, const QString &clearName)
{
    auto *field = spoken(named(new QLineEdit, name), spokenName, description);
    field->setPlaceholderText(placeholder);
    field->setClearButtonEnabled(true);
    // The clear button the field adds has neither text nor name of its own.
    if (auto *clear = field->findChild<QToolButton *>())
        clear->setAccessibleName(clearName);
    return field;
}

// Readers list a top-level window by its title as a frame of its own, as
// they do the main window; a plain widget they take for a mere filler.
QAccessibleInterface *accessibleHelpWindow(const QString &className, QObject *object)
{
    if (className == QLatin1String("HelpWindow") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

// A finder tab: its fields above, its list below taking the room.
QWidget *finderPage(std::initializer_list<QWidget *> fields, QWidget *list)
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    for (QWidget *field : fields)
        layout->addWidget(field);
    layout->addWidget(list, 1);
    return page;
}

} // namespace

HelpWindow::HelpWindow(const QString &helpFile)
    : helpFile(helpFile)
{
    static const bool accessible = (QAccessible::installFactory(&accessibleHelpWindow), true);
    Q_UNUSED(accessible);
    setObjectName(QStringLiteral("helpViewer"));
    // Closing the viewer releases it, so it never keeps the program running.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Vortlane Help"));
    buildWidgets();
    resize(640, 480);
}

bool HelpWindow::openFinder()
{
    const bool firstShow = !isVisible();
    if (!loaded)
        load();
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    if (firstShow)
        finderTabs->currentWidget()->setFocus();
    return loaded;
}

void HelpWindow::buildWidgets()
{
    backButton = named(navigationButton(QStyle::SP_ArrowBack, tr("Back"), QKeySequence::Back, this), "backButton");
    forwardButton =
        named(navigationButton(QStyle::SP_ArrowForward, tr("Forward"), QKeySequence::Forward, this), "forwardButton");
    contentsList =
        spoken(named(new QListWidget, "contentsList"), tr("Contents: topics"), tr("Choose a topic to read it."));

    indexFilter =
        finderField("indexFilter", tr("Type a keyword"), tr("Index: keyword to find"),
                    tr("Moves to the first keyword that starts with the text typed."), tr("Index: clear the keyword"));
    indexList =
        spoken(named(new QTreeWidget, "indexList"), tr("Index: keywords"), tr("Choose a keyword to read its topic."));
    indexList->setHeaderHidden(true);
    indexList->setColumnCount(1);
    // Hidden, but read out by readers moving in the tree, which would
    // otherwise call the column "1".
    indexList->setHeaderLabel(tr("Keyword"));

    searchEdit = finderField("searchEdit", tr("Type the words to find"), tr("Search: words to find"),
                             tr("Lists the topics that contain the words typed."), tr("Search: clear the words"));
    searchStatus = named(new QLabel, "searchStatus");
    searchStatus->setWordWrap(true);
    searchResults = spoken(named(new QListWidget, "searchResults"), tr("Search: topics found"),
                           tr("Choose a topic to read it with the words found marked."));

    finderTabs = named(new QTabWidget, "finderTabs");
    finderTabs->addTab(contentsList, tr("Contents"));
    finderTabs->addTab(finderPage({indexFilter}, indexList), tr("Index"));
    finderTabs->addTab(finderPage({searchEdit, searchStatus}, searchResults), tr("Search"));

    topicView = spoken(named(new QTextBrowser, "topicView"), tr("Topic"));
    // Links between topics are ours to follow; the browser would look for files.
    topicView->setOpenLinks(false);

    auto *splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(finderTabs);
    splitter->addWidget(topicView);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({210, 430});
    splitter->setChildrenCollapsible(false);

    auto *navigation = new QHBoxLayout;
    navigation->addWidget(backButton);
    navigation->addWidget(forwardButton);
    navigation->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(navigation);
    layout->addWidget(splitter, 1);

    connect(backButton, &QToolButton::clicked, this, [this] { stepHistory(-1); });
    connect(forwardButton, &QToolButton::clicked, this, [this] { stepHistory(1); });
    connect(contentsList, &QListWidget::currentRowChanged, this, &HelpWindow::showTopic);
    connect(indexList, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { indexItemChosen(current); });
    connect(indexList, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { indexItemChosen(item); });
    connect(indexFilter, &QLineEdit::textEdited, this, &HelpWindow::jumpInIndex);
    connect(indexFilter, &QLineEdit::returnPressed, this, [this] { indexItemChosen(indexList->currentItem()); });
    connect(searchEdit, &QLineEdit::textChanged, this, &HelpWindow::runSearch);
    connect(searchResults, &QListWidget::currentRowChanged, this, &HelpWindow::searchResultChosen);
    connect(topicView, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);

    updateHistoryButtons();
    runSearch({});
}

void HelpWindow::load()
{
    clearFinder();
    loaded = false;
    path.clear();

    const QStringList candidates = helpFileCandidates(helpFile);
    const auto found = std::find_if(candidates.cbegin(), candidates.cend(),
                                    [](const QString &candidate) { return QFileInfo::exists(candidate); });
    if (found == candidates.cend()) {
        QString places;
        for (const QString &candidate : candidates)
            places += QStringLiteral("<li>%1</li>").arg(QDir::toNativeSeparators(candidate).toHtmlEscaped());
        showProblem(tr("<p>The help file <b>%1</b> was not found.</p>"
                       "<p>The viewer looked for it here:</p><ul>%2</ul>")
                        .arg(helpFile.toHtmlEscaped(), places));
        return;
    }

    // The name as given, and where it was found when that says more.
    QString described = QStringLiteral("<b>%1</b>").arg(helpFile.toHtmlEscaped());
    const QString where = QDir::toNativeSeparators(QFileInfo(*found).absoluteFilePath());
    if (where != QDir::toNativeSeparators(helpFile))
        described += QStringLiteral(" (%1)").arg(where.toHtmlEscaped());
    switch (file.load(*found)) {
    case HelpFile::Status::Unreadable:
        showProblem(
            tr("<p>The help file %1 could not be read.</p><p>%2</p>").arg(described, file.problem().toHtmlEscaped()));
        return;
    case HelpFile::Status::Malformed:
        showProblem(
            tr("<p>The help file %1 cannot be shown.</p><p>%2</p>").arg(described, file.problem().toHtmlEscaped()));
        return;
    case HelpFile::Status::Loaded:
        break;
    }

    loaded = true;
    path = *found;
    if (!file.title().isEmpty())
        setWindowTitle(file.title());
    topicView->document()->setDefaultStyleSheet(file.styleSheet());
    topicView->setSearchPaths({QFileInfo(path).absolutePath()});
    finderTabs->setEnabled(true);
    fillContents();
    fillIndex();
    runSearch(searchEdit->text());
    showTopic(0);
}

void HelpWindow::showProblem(const QString &message)
{
    topicView->document()->setDefaultStyleSheet({});
    topicView->setHtml(tr("<h2>Help is not available</h2>") + message);
    // Nothing to find in a file that could not be read.
    finderTabs->setEnabled(false);
}

void HelpWindow::clearFinder()
{
    const QSignalBlocker contentsBlocker(contentsList);
    const QSignalBlocker indexBlocker(indexList);
    const QSignalBlocker resultsBlocker(searchResults);
    contentsList->clear();
    indexList->clear();
    searchResults->clear();
    history.clear();
    historyPos = -1;
    currentTopic = -1;
    topicView->clear();
    updateHistoryButtons();
}

void HelpWindow::fillContents()
{
    const QSignalBlocker blocker(contentsList);
    for (const HelpTopic &topic : file.topics())
        contentsList->addItem(topic.title);
}

void HelpWindow::fillIndex()
{
    const QSignalBlocker blocker(indexList);
    for (const HelpIndexEntry &entry : file.index()) {
        auto *item = new QTreeWidgetItem(indexList, {entry.keyword});
        if (entry.topics.size() == 1) {
            item->setData(0, topicRole, entry.topics.first());
            continue;
        }
        // A keyword of several topics lets the reader choose among them.
        item->setData(0, topicRole, -1);
        for (const int topic : entry.topics) {
            auto *choice = new QTreeWidgetItem(item, {file.topics()[topic].title});
            choice->setData(0, topicRole, topic);
        }
    }
    indexList->expandAll();
}

void HelpWindow::showTopic(int topic)
{
    if (topic < 0 || topic >= int(file.topics().size()) || topic == currentTopic)
        return;
    history.resize(historyPos + 1);
    history.push_back(topic);
    historyPos = int(history.size()) - 1;
    displayTopic(topic);
}

void HelpWindow::displayTopic(int topic)
{
    currentTopic = topic;
    topicView->setExtraSelections({});
    topicView->setHtml(file.topics()[topic].html);
    {
        const QSignalBlocker blocker(contentsList);
        contentsList->setCurrentRow(topic);
    }
    updateHistoryButtons();
}

void HelpWindow::followLink(const QUrl &url)
{
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto")) {
        QDesktopServices::openUrl(url);
        return;
    }
    // Only links inside this file lead anywhere: "#topic-id", "#anchor", or
    // the file's own name followed by one of those.
    if (!scheme.isEmpty() || !url.hasFragment())
        return;
    if (!url.path().isEmpty() && QFileInfo(url.path()).fileName() != QFileInfo(path).fileName())
        return;
    const QString anchor = url.fragment(QUrl::FullyDecoded);
    const int topic = file.topicForAnchor(anchor);
    if (topic < 0)
        return;
    showTopic(topic);
    if (file.topics()[topic].id != anchor)
        topicView->scrollToAnchor(anchor);
}

void HelpWindow::stepHistory(int step)
{
    const int to = historyPos + step;
    if (to < 0 || to >= int(history.size()))
        return;
    historyPos = to;
    displayTopic(history[historyPos]);
}

void HelpWindow::updateHistoryButtons()
{
    backButton->setEnabled(historyPos > 0);
    forwardButton->setEnabled(historyPos + 1 < int(history.size()));
}

void HelpWindow::indexItemChosen(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const int topic = item->data(0, topicRole).toInt();
    if (topic >= 0)
        showTopic(topic);
    else
        item->setExpanded(true);
}

void HelpWindow::jumpInIndex(const QString &typed)
{
    const QString start = typed.trimmed();
    if (start.isEmpty())
        return;
    for (int i = 0; i < indexList->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = indexList->topLevelItem(i);
        if (item->text(0).startsWith(start, Qt::CaseInsensitive)) {
            // Only point at the keyword: each letter typed would otherwise
            // replace the topic and fill the Back list with passing stops.
            const QSignalBlocker blocker(indexList);
            indexList->setCurrentItem(item);
            indexList->scrollToItem(item, QAbstractItemView::PositionAtTop);
            return;
        }
    }
}

void HelpWindow::runSearch(const QString &typed)
{
    {
        const QSignalBlocker blocker(searchResults);
        searchResults->clear();
    }
    const SearchQuery query(typed);
    if (query.isEmpty()) {
        searchStatus->setText(tr("Type a word to list the topics that contain it."));
        return;
    }
    const QList<int> found = file.search(typed);
    {
        const QSignalBlocker blocker(searchResults);
        for (const int topic : found) {
            auto *item = new QListWidgetItem(file.topics()[topic].title, searchResults);
            item->setData(topicRole, topic);
        }
    }
    if (found.isEmpty())
        searchStatus->setText(tr("No topic contains %1.").arg(typed.trimmed()));
    else if (found.size() == 1)
        searchStatus->setText(tr("1 topic found."));
    else
        searchStatus->setText(tr("%1 topics found.").arg(found.size()));
}

void HelpWindow::searchResultChosen(int row)
{
    const QListWidgetItem *item = searchResults->item(row);
    if (!item)
        return;
    showTopic(item->data(topicRole).toInt());
    markSearchTerms(SearchQuery(searchEdit->text()));
}

void HelpWindow::markSearchTerms(const SearchQuery &query)
{
    QTextCharFormat mark;
    // Fixed colours: the marks must stay readable under any desktop theme.
    mark.setBackground(QColor(255, 226, 102));
    mark.setForeground(QColor(Qt::black));

    QList<QTextEdit::ExtraSelection> marks;
    QTextDocument *document = topicView->document();
    for (const QString &term : query.typedTerms()) {
        QTextCursor cursor(document);
        while (true) {
            cursor = document->find(term, cursor, QTextDocument::FindWholeWords);
            if (cursor.isNull())
                break;
            marks.append({cursor, mark});
        }
    }
    topicView->setExtraSelections(marks);
    if (marks.isEmpty())
        return;
    const auto first = std::min_element(marks.cbegin(), marks.cend(), [](const auto &a, const auto &b) {
        return a.cursor.selectionStart() < b.cursor.selectionStart();
    });
    QTextCursor at(document);
    at.setPosition(first->cursor.selectionStart());
    topicView->setTextCursor(at);
    topicView->ensureCursorVisible();
}
