// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "HelpTestFiles.h"

#include "app/help/HelpViewer.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>
#include <QtTest>

// The help viewer as the program drives it, through ShowHelp, and as a reader
// uses it: the finder's contents, index and search, links, and the messages
// for a file that cannot be shown.
class tst_HelpViewer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString helpPath;

    static QList<QWidget *> visibleViewers()
    {
        QList<QWidget *> viewers;
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            if (widget->objectName() == QLatin1String("helpViewer") && widget->isVisible())
                viewers.append(widget);
        }
        return viewers;
    }

    static QWidget *onlyViewer()
    {
        const QList<QWidget *> viewers = visibleViewers();
        return viewers.size() == 1 ? viewers.first() : nullptr;
    }

    template <typename T>
    static T *part(QWidget *viewer, const char *name)
    {
        return viewer ? viewer->findChild<T *>(QLatin1String(name)) : nullptr;
    }

    static QStringList texts(const QListWidget *list)
    {
        QStringList result;
        for (int row = 0; row < list->count(); ++row)
            result.append(list->item(row)->text());
        return result;
    }

    static void click(QListWidget *list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }

    static void click(QTreeWidget *tree, QTreeWidgetItem *item)
    {
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }

    // Where the text of the link to href sits in the shown topic, in the
    // viewport's coordinates; a null point when the topic has no such link.
    static QPoint linkPosition(QTextBrowser *view, const QString &href)
    {
        QTextDocument *document = view->document();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.charFormat().anchorHref() != href)
                    continue;
                QTextCursor cursor(document);
                cursor.setPosition(fragment.position() + fragment.length() / 2);
                return view->cursorRect(cursor).center();
            }
        }
        return {};
    }

    static QWidget *openFinder(QWidget *owner, const QString &file)
    {
        ShowHelp(owner, file, HELP_FINDER, 0);
        QWidget *viewer = onlyViewer();
        if (viewer && !QTest::qWaitForWindowExposed(viewer))
            return nullptr;
        return viewer;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        helpPath = writeHelpFile(dir, QStringLiteral("Test.HLP"), threeTopicHelpFile());
        QVERIFY(!helpPath.isEmpty());
    }

    void cleanup()
    {
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            if (widget->objectName() == QLatin1String("helpViewer"))
                widget->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(visibleViewers().isEmpty());
    }

    void shouldOpenTheFinderOnTheFilesTopics()
    {
        QWidget owner;
        QVERIFY(ShowHelp(&owner, helpPath, HELP_FINDER, 0));

        QWidget *viewer = onlyViewer();
        QVERIFY(viewer);
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        // A window of its own: not inside the main window, nor kept above it.
        QVERIFY(viewer->isWindow());
        QCOMPARE(viewer->parentWidget(), nullptr);
        QCOMPARE(viewer->windowHandle()->transientParent(), nullptr);
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Test Help"));

        auto *tabs = part<QTabWidget>(viewer, "finderTabs");
        QVERIFY(tabs);
        QVERIFY(tabs->isEnabled());
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Contents"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Index"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Search"));

        auto *contents = part<QListWidget>(viewer, "contentsList");
        QVERIFY(contents);
        QCOMPARE(texts(contents), (QStringList{"First steps", "Data formats", "When things go wrong"}));
        // The first topic greets the reader.
        QCOMPARE(contents->currentRow(), 0);
        QVERIFY(part<QTextBrowser>(viewer, "topicView")->toPlainText().contains(QStringLiteral("wait for a peer")));
    }

    void shouldShowTheChosenTopic_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("notShown");

        QTest::newRow("first topic") << 0 << "wait for a peer" << QStringList{"48 69", "nobody listens"};
        QTest::newRow("second topic") << 1 << "48 69" << QStringList{"wait for a peer", "nobody listens"};
        QTest::newRow("third topic, titled by its heading")
            << 2 << "nobody listens" << QStringList{"wait for a peer", "48 69"};
    }

    void shouldShowTheChosenTopic()
    {
        QFETCH(int, row);
        QFETCH(QString, shown);
        QFETCH(QStringList, notShown);

        QWidget *viewer = openFinder(nullptr, helpPath);
        QVERIFY(viewer);
        auto *contents = part<QListWidget>(viewer, "contentsList");
        auto *view = part<QTextBrowser>(viewer, "topicView");

        // Away from the row first, so choosing it is a change even for row 0.
        click(contents, (row + 1) % contents->count());
        click(contents, row);
        const QString text = view->toPlainText();
        QVERIFY2(text.contains(shown), qPrintable(text));
        for (const QString &other : notShown)
            QVERIFY2(!text.contains(other), qPrintable(text));
    }

    void shouldListKeywordsInTheIndex()
    {
        QWidget *viewer = openFinder(nullptr, helpPath);
        QVERIFY(viewer);
        auto *index = part<QTreeWidget>(viewer, "indexList");
        auto *filter = part<QLineEdit>(viewer, "indexFilter");
        auto *view = part<QTextBrowser>(viewer, "topicView");
        QVERIFY(index && filter && view);
        part<QTabWidget>(viewer, "finderTabs")->setCurrentIndex(1);

        QStringList keywords;
        for (int i = 0; i < index->topLevelItemCount(); ++i)
            keywords.append(index->topLevelItem(i)->text(0));
        QCOMPARE(keywords, (QStringList{"decimal", "Hex", "loopback", "port in use", "refused, connection", "start"}));

        // A keyword of two topics offers both.
        QTreeWidgetItem *start = index->topLevelItem(5);
        QCOMPARE(start->childCount(), 2);
        QCOMPARE(start->child(0)->text(0), QStringLiteral("First steps"));
        QCOMPARE(start->child(1)->text(0), QStringLiteral("Data formats"));

        click(index, index->topLevelItem(3)); // port in use
        QVERIFY(view->toPlainText().contains(QStringLiteral("nobody listens")));
        click(index, start->child(1));
        QVERIFY(view->toPlainText().contains(QStringLiteral("48 69")));

        // Typing moves to the keyword; Enter opens its topic.
        filter->setFocus();
        QTest::keyClicks(filter, QStringLiteral("LO"));
        QCOMPARE(index->currentItem()->text(0), QStringLiteral("loopback"));
        QVERIFY(view->toPlainText().contains(QStringLiteral("48 69")));
        QTest::keyClick(filter, Qt::Key_Return);
        QVERIFY(view->toPlainText().contains(QStringLiteral("wait for a peer")));
    }

    void shouldListTheTopicsHoldingTheSearchedWords_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("status");

        QTest::newRow("word in one topic") << "hex" << QStringList{"Data formats"} << "1 topic found.";
        QTest::newRow("word in two topics")
            << "Listen" << QStringList{"First steps", "When things go wrong"} << "2 topics found.";
        QTest::newRow("two words together") << "refused connection" << QStringList{"Data formats"} << "1 topic found.";
        QTest::newRow("word nowhere") << "datagram" << QStringList{} << "No topic contains datagram.";
        QTest::newRow("part of a word") << "form" << QStringList{} << "No topic contains form.";
    }

    void shouldListTheTopicsHoldingTheSearchedWords()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, titles);
        QFETCH(QString, status);

        QWidget *viewer = openFinder(nullptr, helpPath);
        QVERIFY(viewer);
        auto *edit = part<QLineEdit>(viewer, "searchEdit");
        auto *results = part<QListWidget>(viewer, "searchResults");
        auto *view = part<QTextBrowser>(viewer, "topicView");
        QVERIFY(edit && results && view);
        part<QTabWidget>(viewer, "finderTabs")->setCurrentIndex(2);

        edit->setFocus();
        QTest::keyClicks(edit, typed);
        QCOMPARE(texts(results), titles);
        QCOMPARE(part<QLabel>(viewer, "searchStatus")->text(), status);
        if (titles.isEmpty())
            return;

        // Choosing a result shows it with the searched words marked.
        click(results, results->count() - 1);
        const QString text = view->toPlainText();
        QVERIFY(text.contains(titles.last()));
        QVERIFY(!view->extraSelections().isEmpty());
        for (const QTextEdit::ExtraSelection &mark : view->extraSelections())
            QVERIFY(typed.contains(mark.cursor.selectedText(), Qt::CaseInsensitive));

        // Clearing the box empties the list.
        edit->clear();
        QCOMPARE(results->count(), 0);
    }

    void shouldFollowLinksBetweenTopicsAndGoBack()
    {
        QWidget *viewer = openFinder(nullptr, helpPath);
        QVERIFY(viewer);
        auto *view = part<QTextBrowser>(viewer, "topicView");
        auto *contents = part<QListWidget>(viewer, "contentsList");
        auto *back = part<QToolButton>(viewer, "backButton");
        auto *forward = part<QToolButton>(viewer, "forwardButton");
        QVERIFY(view && contents && back && forward);
        QVERIFY(!back->isEnabled());

        // A link to another topic by its id.
        const QPoint toFormats = linkPosition(view, QStringLiteral("#formats"));
        QVERIFY(!toFormats.isNull());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, toFormats);
        QVERIFY(view->toPlainText().contains(QStringLiteral("48 69")));
        QCOMPARE(contents->currentRow(), 1);

        // A link to an anchor inside a third topic.
        const QPoint toRefused = linkPosition(view, QStringLiteral("#refused"));
        QVERIFY(!toRefused.isNull());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, toRefused);
        QVERIFY(view->toPlainText().contains(QStringLiteral("nobody listens")));
        QCOMPARE(contents->currentRow(), 2);

        QVERIFY(back->isEnabled());
        QVERIFY(!forward->isEnabled());
        QTest::mouseClick(back, Qt::LeftButton);
        QCOMPARE(contents->currentRow(), 1);
        QTest::mouseClick(back, Qt::LeftButton);
        QCOMPARE(contents->currentRow(), 0);
        QVERIFY(view->toPlainText().contains(QStringLiteral("wait for a peer")));
        QVERIFY(!back->isEnabled());
        QTest::mouseClick(forward, Qt::LeftButton);
        QCOMPARE(contents->currentRow(), 1);
        QVERIFY(view->toPlainText().contains(QStringLiteral("48 69")));

        // Choosing a topic after going back drops the topics ahead.
        click(contents, 0);
        QVERIFY(!forward->isEnabled());
    }

    void shouldBringTheSameViewerToTheFront()
    {
        QWidget owner;
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));

        QVERIFY(ShowHelp(&owner, helpPath, HELP_FINDER, 0));
        const QPointer<QWidget> viewer = onlyViewer();
        QVERIFY(viewer);
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QTRY_COMPARE(QApplication::activeWindow(), viewer.data());

        owner.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &owner);
        viewer->showMinimized();
        QTRY_VERIFY(viewer->isMinimized());

        QVERIFY(ShowHelp(&owner, helpPath, HELP_FINDER, 0));
        QCOMPARE(visibleViewers(), QList<QWidget *>{viewer.data()});
        QVERIFY(!viewer->isMinimized());
        QTRY_COMPARE(QApplication::activeWindow(), viewer.data());
    }

    void shouldCloseAndReleaseTheViewer_data()
    {
        QTest::addColumn<bool>("byQuit");

        QTest::newRow("the program quits the file") << true;
        QTest::newRow("the reader closes the window") << false;
    }

    void shouldCloseAndReleaseTheViewer()
    {
        QFETCH(bool, byQuit);

        QWidget owner;
        QVERIFY(ShowHelp(&owner, helpPath, HELP_FINDER, 0));
        const QPointer<QWidget> viewer = onlyViewer();
        QVERIFY(viewer);

        if (byQuit)
            QVERIFY(ShowHelp(&owner, helpPath, HELP_QUIT, 0));
        else
            QVERIFY(viewer->close());
        QVERIFY(!viewer.isNull());
        QVERIFY(!viewer->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(viewer.isNull());

        // Nothing open: quitting is harmless, and the finder opens anew.
        QVERIFY(ShowHelp(&owner, helpPath, HELP_QUIT, 0));
        QVERIFY(visibleViewers().isEmpty());
        QVERIFY(ShowHelp(&owner, helpPath, HELP_FINDER, 0));
        QVERIFY(onlyViewer());
    }

    void shouldKeepOneViewerPerOwner()
    {
        QWidget first;
        QWidget second;
        QVERIFY(ShowHelp(&first, helpPath, HELP_FINDER, 0));
        const QPointer<QWidget> firstViewer = onlyViewer();
        QVERIFY(firstViewer);
        QVERIFY(ShowHelp(&second, helpPath, HELP_FINDER, 0));
        QCOMPARE(visibleViewers().size(), 2);

        QVERIFY(ShowHelp(&first, helpPath, HELP_QUIT, 0));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(firstViewer.isNull());
        QCOMPARE(visibleViewers().size(), 1);
    }

    void shouldDoNothingForAnUnknownCommandOrNoFile()
    {
        QWidget owner;
        QVERIFY(!ShowHelp(&owner, helpPath, 1, 0));
        QVERIFY(!ShowHelp(&owner, QString(), HELP_FINDER, 0));
        QVERIFY(visibleViewers().isEmpty());
    }

    void shouldReportAMissingFileInTheViewer_data()
    {
        QTest::addColumn<bool>("bareName");

        QTest::newRow("path given") << false;
        QTest::newRow("bare name looked for beside the program") << true;
    }

    void shouldReportAMissingFileInTheViewer()
    {
        QFETCH(bool, bareName);

        const QString name =
            bareName ? QStringLiteral("Missing-Help-Test.HLP") : dir.filePath(QStringLiteral("Missing.HLP"));
        const QString place = bareName ? QDir::toNativeSeparators(QCoreApplication::applicationDirPath())
                                       : QDir::toNativeSeparators(dir.path());

        QWidget owner;
        QVERIFY(!ShowHelp(&owner, name, HELP_FINDER, 0));
        QWidget *viewer = onlyViewer();
        QVERIFY(viewer);
        const QString message = part<QTextBrowser>(viewer, "topicView")->toPlainText();
        QVERIFY2(message.contains(name + QStringLiteral(" was not found")), qPrintable(message));
        QVERIFY2(message.contains(place), qPrintable(message));
        QVERIFY(!part<QTabWidget>(viewer, "finderTabs")->isEnabled());
        QCOMPARE(part<QListWidget>(viewer, "contentsList")->count(), 0);

        // The next request still finds the one viewer, and it can be quit.
        QVERIFY(!ShowHelp(&owner, name, HELP_FINDER, 0));
        QCOMPARE(visibleViewers().size(), 1);
        QVERIFY(ShowHelp(&owner, name, HELP_QUIT, 0));
        QVERIFY(visibleViewers().isEmpty());
    }

    void shouldReportAnUnreadableFileInTheViewer()
    {
        QTemporaryDir here;
        QVERIFY(QDir(here.path()).mkdir(QStringLiteral("Folder.HLP")));
        const QString name = here.filePath(QStringLiteral("Folder.HLP"));

        QVERIFY(!ShowHelp(nullptr, name, HELP_FINDER, 0));
        QWidget *viewer = onlyViewer();
        QVERIFY(viewer);
        const QString message = part<QTextBrowser>(viewer, "topicView")->toPlainText();
        QVERIFY2(message.contains(name + QStringLiteral(" could not be read")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("It is a folder, not a file.")), qPrintable(message));
    }

    void shouldReportAMalformedFileInTheViewer_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");

        QTest::newRow("no topics") << QByteArray("<html><body><p>Just a page</p></body></html>")
                                   << "It holds no topics";
        QTest::newRow("topic never closed") << QByteArray("<section id='a' data-title='A'>\n<p>Unfinished")
                                            << "It is damaged at line 2: the topic \"a\" of line 1 is never closed";
        QTest::newRow("random bytes") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe", 18)
                                      << "It is not UTF-8 text.";
    }

    void shouldReportAMalformedFileInTheViewer()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);

        QTemporaryDir here;
        const QString name = writeHelpFile(here, QStringLiteral("Broken.HLP"), content);
        QVERIFY(!name.isEmpty());

        QVERIFY(!ShowHelp(nullptr, name, HELP_FINDER, 0));
        QWidget *viewer = onlyViewer();
        QVERIFY(viewer);
        const QString message = part<QTextBrowser>(viewer, "topicView")->toPlainText();
        QVERIFY2(message.contains(name + QStringLiteral(" cannot be shown")), qPrintable(message));
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY(!part<QTabWidget>(viewer, "finderTabs")->isEnabled());
    }

    void shouldFindAFilePutInPlaceAfterAFailure()
    {
        QTemporaryDir here;
        const QString name = here.filePath(QStringLiteral("Later.HLP"));
        QVERIFY(!ShowHelp(nullptr, name, HELP_FINDER, 0));
        const QPointer<QWidget> viewer = onlyViewer();
        QVERIFY(viewer);

        QCOMPARE(writeHelpFile(here, QStringLiteral("Later.HLP"), threeTopicHelpFile()), name);
        QVERIFY(ShowHelp(nullptr, name, HELP_FINDER, 0));
        QCOMPARE(onlyViewer(), viewer.data());
        QVERIFY(part<QTabWidget>(viewer, "finderTabs")->isEnabled());
        QCOMPARE(part<QListWidget>(viewer, "contentsList")->count(), 3);
        QVERIFY(part<QTextBrowser>(viewer, "topicView")->toPlainText().contains(QStringLiteral("wait for a peer")));
    }

    void shouldOpenTheShippedHelpFile()
    {
        QWidget owner;
        QVERIFY(ShowHelp(&owner, QStringLiteral("Vortlane.HLP"), HELP_FINDER, 0));
        QWidget *viewer = onlyViewer();
        QVERIFY(viewer);
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Vortlane Help"));

        auto *contents = part<QListWidget>(viewer, "contentsList");
        const int row = texts(contents).indexOf(QStringLiteral("Getting started"));
        QVERIFY(row >= 0);
        QVERIFY(contents->count() >= 2);
        QVERIFY(part<QTreeWidget>(viewer, "indexList")->topLevelItemCount() > 0);

        contents->setCurrentRow(row);
        const QString text = part<QTextBrowser>(viewer, "topicView")->toPlainText();
        for (const char *step : {"Listen", "127.0.0.1", "4000", "Decimal", "72 105", "Hi"})
            QVERIFY2(text.contains(QLatin1String(step)), step);

        auto *edit = part<QLineEdit>(viewer, "searchEdit");
        edit->setText(QStringLiteral("loopback"));
        QVERIFY(texts(part<QListWidget>(viewer, "searchResults")).contains(QStringLiteral("Getting started")));
    }
};

QTEST_MAIN(tst_HelpViewer)
#include "tst_helpviewer.moc"
