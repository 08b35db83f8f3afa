// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/Peers.h"
#include "support/WindowDriver.h"

#include "app/StatusAnnouncer.h"

#include <QAccessible>
#include <QAction>
#include <QScopeGuard>
#include <QTcpServer>

namespace {

// The roles of what a user operates or reads: each must be told apart by
// its name alone.
bool isControl(const QAccessibleInterface *node)
{
    switch (node->role()) {
    case QAccessible::PushButton:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::Grouping:
    case QAccessible::MenuItem:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::PageTab:
        return true;
    case QAccessible::StaticText:
        // A text one can move into and read, as opposed to a label.
        return node->state().focusable;
    default:
        return false;
    }
}

void collectControls(QAccessibleInterface *node, QList<QAccessibleInterface *> &controls)
{
    if (isControl(node))
        controls.append(node);
    for (int i = 0; i < node->childCount(); ++i)
        collectControls(node->child(i), controls);
}

QAccessibleInterface *accessibleOf(const WindowDriver &w, const QString &name)
{
    return QAccessible::queryAccessibleInterface(w.find<QObject>(name));
}

QString wholeText(QAccessibleInterface *node)
{
    QAccessibleTextInterface *text = node->textInterface();
    return text ? text->text(0, text->characterCount()) : QStringLiteral("(no text interface)");
}

// What a screen reader reads of a notification shown: its name, then the
// message it holds.
QString readAloud(QAccessibleInterface *notification)
{
    if (notification->role() != QAccessible::Notification || notification->childCount() != 1)
        return QStringLiteral("(not a notification)");
    return notification->text(QAccessible::Name) + QStringLiteral(": ")
           + notification->child(0)->text(QAccessible::Name);
}

} // namespace

class tst_Accessibility : public QObject
{
    Q_OBJECT

private slots:
    void shouldNameEveryControlForWhatItIs_data();
    void shouldNameEveryControlForWhatItIs();
    void shouldTellEveryControlApartByName_data();
    void shouldTellEveryControlApartByName();
    void shouldReadAReceivedBoxExactly_data();
    void shouldReadAReceivedBoxExactly();
    void shouldReadTheStatusLine();
    void shouldAnnounceEachStatusMessage_data();
    void shouldAnnounceEachStatusMessage();
    void shouldWritePortBoxesInTheThemesText_data();
    void shouldWritePortBoxesInTheThemesText();
};

void tst_Accessibility::shouldNameEveryControlForWhatItIs_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QAccessible::Role>("role");

    QTest::newRow("listening port, by its label") << "txtPort"
                                                  << "Listening Port" << QAccessible::EditableText;
    QTest::newRow("remote host, by its label") << "txtRemoteIP"
                                               << "Remote Host" << QAccessible::EditableText;
    QTest::newRow("remote port, by its label") << "txtRemotePort"
                                               << "Remote Port" << QAccessible::EditableText;
    QTest::newRow("listening transmit box") << "txtTransmitDataLS"
                                            << "Listening: data to send" << QAccessible::EditableText;
    QTest::newRow("outgoing transmit box") << "txtTransmitDataOS"
                                           << "Outgoing: data to send" << QAccessible::EditableText;
    QTest::newRow("listening received box") << "txtReceivedDataLS"
                                            << "Listening: received data" << QAccessible::EditableText;
    QTest::newRow("outgoing received box") << "txtReceivedDataOS"
                                           << "Outgoing: received data" << QAccessible::EditableText;
    QTest::newRow("status line") << "txtStatus"
                                 << "Status" << QAccessible::EditableText;
    QTest::newRow("listening send") << "btnSendLS"
                                    << "Listening: Send" << QAccessible::PushButton;
    QTest::newRow("outgoing send") << "btnSendOS"
                                   << "Outgoing: Send" << QAccessible::PushButton;
    QTest::newRow("listening type") << "Frame2"
                                    << "Listening: Type" << QAccessible::Grouping;
    QTest::newRow("listening tx format") << "Frame3"
                                         << "Listening: Tx format" << QAccessible::Grouping;
    QTest::newRow("outgoing rx format") << "Frame7"
                                        << "Outgoing: Rx format" << QAccessible::Grouping;
    QTest::newRow("listening tcp") << "optionTransportLS_0"
                                   << "Listening: TCP" << QAccessible::RadioButton;
    QTest::newRow("outgoing udp") << "optionTransportOS_1"
                                  << "Outgoing: UDP" << QAccessible::RadioButton;
    QTest::newRow("listening tx hex") << "optionTxtDataFormatLS_2"
                                      << "Listening: Tx Hex" << QAccessible::RadioButton;
    QTest::newRow("outgoing rx string") << "optionRxDataFormatOS_0"
                                        << "Outgoing: Rx String" << QAccessible::RadioButton;
}

void tst_Accessibility::shouldNameEveryControlForWhatItIs()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QAccessible::Role, role);

    WindowDriver w;
    QAccessibleInterface *node = accessibleOf(w, control);
    QVERIFY(node);
    QCOMPARE(node->text(QAccessible::Name), name);
    QCOMPARE(node->role(), role);
}

void tst_Accessibility::shouldTellEveryControlApartByName_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("reached");

    // The walk reaches what a reader must reach, the boxes drawn by the
    // program itself among them.
    QTest::newRow("main window") << "frmMain"
                                 << QStringList{"txtReceivedDataLS", "txtReceivedDataOS", "txtStatus",
                                                "optionRxDataFormatOS_2"};
    QTest::newRow("help viewer") << "helpViewer"
                                 << QStringList{"backButton", "forwardButton", "contentsList",  "indexFilter",
                                                "indexList",  "searchEdit",    "searchResults", "topicView"};
}

void tst_Accessibility::shouldTellEveryControlApartByName()
{
    QFETCH(QString, window);
    QFETCH(QStringList, reached);

    WindowDriver w;
    QWidget *top = w.window;
    if (window != top->objectName()) {
        w.find<QAction>(QStringLiteral("mnuManual"))->trigger();
        QTRY_COMPARE(visibleTopLevels(window).size(), 1);
        top = visibleTopLevels(window).constFirst();
    }
    // A window of its own, named by its title, as readers list windows.
    QAccessibleInterface *root = QAccessible::queryAccessibleInterface(top);
    QCOMPARE(root->role(), QAccessible::Window);
    QCOMPARE(root->text(QAccessible::Name), top->windowTitle());

    QList<QAccessibleInterface *> controls;
    collectControls(root, controls);
    QHash<QString, QObject *> byName;
    for (QAccessibleInterface *control : std::as_const(controls)) {
        const QString name = control->text(QAccessible::Name);
        const QString what = control->object() ? control->object()->objectName() : QStringLiteral("(item)");
        QVERIFY2(!name.isEmpty(), qPrintable(what + QStringLiteral(" has no name")));
        QVERIFY2(!byName.contains(name), qPrintable(what + QStringLiteral(" shares the name ") + name));
        byName.insert(name, control->object());
    }
    for (const QString &control : std::as_const(reached))
        QVERIFY2(std::find(byName.cbegin(), byName.cend(), top->findChild<QObject *>(control)) != byName.cend(),
                 qPrintable(control));
}

void tst_Accessibility::shouldReadAReceivedBoxExactly_data()
{
    QTest::addColumn<QString>("panel");
    QTest::addColumn<int>("rxFormat");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");

    QTest::newRow("listening, string") << "LS" << 0 << QByteArray("Hi there\r\nsecond line") << "Hi there\nsecond line";
    QTest::newRow("outgoing, hex") << "OS" << 2 << QByteArray("\x00\xff", 2) << "00 FF ";
}

void tst_Accessibility::shouldReadAReceivedBoxExactly()
{
    QFETCH(QString, panel);
    QFETCH(int, rxFormat);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);

    WindowDriver w;
    w.select(QStringLiteral("optionRxDataFormat") + panel, rxFormat);
    QTcpServer server;
    std::unique_ptr<QTcpSocket> peer;
    if (panel == u"LS") {
        peer = connectedClient(w.listenOnFreePort());
    } else {
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        w.connectOutgoing(QStringLiteral("127.0.0.1"), QString::number(server.serverPort()));
        peer = acceptedPeer(server);
    }
    QVERIFY(peer);
    peer->write(bytes);
    const QString box = QStringLiteral("txtReceivedData") + panel;
    QTRY_VERIFY(!w.text(box).isEmpty());
    QCOMPARE(w.text(box), shown);

    QAccessibleInterface *node = accessibleOf(w, box);
    QCOMPARE(wholeText(node), shown);
    QCOMPARE(node->textInterface()->text(0, -1), shown);
    QVERIFY(node->state().readOnly);

    // What the user selects, the reader hears as selected.
    auto *view = w.find<QWidget>(box);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    int start = -1;
    int end = -1;
    QCOMPARE(node->textInterface()->selectionCount(), 1);
    node->textInterface()->selection(0, &start, &end);
    QCOMPARE(start, 0);
    QCOMPARE(end, int(shown.size()));
}

void tst_Accessibility::shouldReadTheStatusLine()
{
    WindowDriver w;
    w.window->SetStatus(QStringLiteral("Listening Socket -> Listening on TCP 127.0.0.1:4000"), StatusColour::blue);
    QAccessibleInterface *node = accessibleOf(w, QStringLiteral("txtStatus"));
    QCOMPARE(wholeText(node), QStringLiteral("Listening Socket -> Listening on TCP 127.0.0.1:4000"));
    QVERIFY(node->state().readOnly);
}

void tst_Accessibility::shouldAnnounceEachStatusMessage_data()
{
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("heardAtOnce");
    QTest::addColumn<QStringList>("heardInTheEnd");

    const QString arrival = QStringLiteral("Listening Socket -> Data received from 127.0.0.1:50001");
    const QString otherArrival = QStringLiteral("Listening Socket -> Data received from 127.0.0.1:50002");
    const QString lastArrival = QStringLiteral("Listening Socket -> Data received from 127.0.0.1:50003");
    const QString error = QStringLiteral("Outgoing Socket -> Error: Connection refused");

    QTest::newRow("an error at once, however soon after another message")
        << QStringList{arrival, error} << QStringList{error} << QStringList{arrival, error}
        << QStringList{arrival, error};
    QTest::newRow("a flood: the first at once, the last when the second is over")
        << QStringList{arrival, otherArrival, lastArrival} << QStringList{} << QStringList{arrival}
        << QStringList{arrival, lastArrival};
    QTest::newRow("one peer's flood, the same message each time")
        << QStringList{arrival, arrival, arrival} << QStringList{} << QStringList{arrival}
        << QStringList{arrival, arrival};
    QTest::newRow("an arrival just after an error waits its turn")
        << QStringList{arrival, error, otherArrival} << QStringList{error} << QStringList{arrival, error}
        << QStringList{arrival, error, otherArrival};
}

void tst_Accessibility::shouldAnnounceEachStatusMessage()
{
    QFETCH(QStringList, written);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, heardAtOnce);
    QFETCH(QStringList, heardInTheEnd);

    const auto asHeard = [](QStringList messages) {
        for (QString &message : messages)
            message.prepend(QStringLiteral("Status: "));
        return messages;
    };
    WindowDriver w;
    auto *announcer = w.window->findChild<StatusAnnouncer *>();
    QStringList heard;
    QObject::connect(announcer, &StatusAnnouncer::announced, announcer,
                     [&heard, announcer] { heard << readAloud(QAccessible::queryAccessibleInterface(announcer)); });
    for (const QString &message : std::as_const(written)) {
        if (errors.contains(message))
            w.window->SetStatusError(message);
        else
            w.window->SetStatus(message, StatusColour::blue);
    }
    QCOMPARE(heard, asHeard(heardAtOnce));
    QTRY_COMPARE(heard, asHeard(heardInTheEnd));
}

void tst_Accessibility::shouldWritePortBoxesInTheThemesText_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("button");

    QTest::newRow("listening port") << "txtPort"
                                    << "btnSetPort";
    QTest::newRow("remote port") << "txtRemotePort"
                                 << "btnConnectOS";
}

void tst_Accessibility::shouldWritePortBoxesInTheThemesText()
{
    QFETCH(QString, box);
    QFETCH(QString, button);

    const QPalette before = QApplication::palette();
    const auto restore = qScopeGuard([&before] { QApplication::setPalette(before); });
    QPalette dark = before;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    QApplication::setPalette(dark);

    WindowDriver w;
    QCOMPARE(w.textColour(box), dark.color(QPalette::Text));
    w.type(box, QStringLiteral("70000"));
    w.click(button);
    QCOMPARE(w.textColour(box), red);
    // Back to normal text: the theme's, not black on its dark base.
    w.type(box, QStringLiteral("4000"));
    QCOMPARE(w.textColour(box), dark.color(QPalette::Text));
    // The status line keeps its own white ground, so black stays black there.
    w.click(QStringLiteral("btnCloseLS"));
    QCOMPARE(w.statusColour(), black);
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
