// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/TransmitDataEdit.h"
#include "hostile/Pourer.h"
#include "support/WindowDriver.h"

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkInterface>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWindow>
#include <QtMath>

#include <memory>

enum class Flood { none, pouring, justEnded };

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void shouldStartWithTheDefaults();
    void shouldNameTheMachinesOwnAddress();
    void shouldKeepTheStatusTextsCharacterForCharacter_data();
    void shouldKeepTheStatusTextsCharacterForCharacter();
    void shouldPlaceEveryControl_data();
    void shouldPlaceEveryControl();
    void shouldNumberOptionButtonsByIndex_data();
    void shouldNumberOptionButtonsByIndex();
    void shouldHaveAFixedWindowWithoutMaximise();
    void shouldUseTheFieldFont();
    void shouldShowEveryCaptionWhole_data();
    void shouldShowEveryCaptionWhole();
    void shouldLimitWhatIsTyped_data();
    void shouldLimitWhatIsTyped();
    void transmitBoxShouldEditAsATextBox_data();
    void transmitBoxShouldEditAsATextBox();
    void transmitBoxShouldWrapBetweenTokens_data();
    void transmitBoxShouldWrapBetweenTokens();
    void shouldFollowTheFocusOrder();
    void shouldShowMenusWithoutAccessKeys();
    void shouldSetTheColourBeforeTheText_data();
    void shouldSetTheColourBeforeTheText();
    void shouldTakeTheMessageExactlyAsPassed();
    void exitShouldCloseTheWindowAndItsSockets();
    void closingShouldReleaseTheListeningPort_data();
    void closingShouldReleaseTheListeningPort();
    void manualShouldOpenTheViewerAndLeaveTheStatusAlone();
};

void tst_MainWindow::shouldStartWithTheDefaults()
{
    WindowDriver w;
    for (const char *group : {"optionTransportLS", "optionTxtDataFormatLS", "optionRxDataFormatLS", "optionTransportOS",
                              "optionTxtDataFormatOS", "optionRxDataFormatOS"})
        QCOMPARE(w.selected(QLatin1String(group)), 0);
    QCOMPARE(w.text("txtPort"), QStringLiteral("4000"));
    QCOMPARE(w.text("txtRemotePort"), QStringLiteral("4000"));
    for (const char *box : {"txtTransmitDataLS", "txtReceivedDataLS", "txtTransmitDataOS", "txtReceivedDataOS"})
        QVERIFY2(w.text(QLatin1String(box)).isEmpty(), box);
    QCOMPARE(w.status(), StatusMessages::startUp);
    QCOMPARE(w.statusColour(), black);
    QCOMPARE(w.listeningSocket()->State(), int(EventSocket::StateClosed));
    QCOMPARE(w.outgoingSocket()->State(), int(EventSocket::StateClosed));

    for (QWidget *control : w.window->findChildren<QWidget *>()) {
        QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
        if (!control->objectName().startsWith(QLatin1String("qt_")) && control->parent() != w.window->menuBar()
            && !qobject_cast<QMenu *>(control) && !control->objectName().isEmpty())
            QVERIFY2(control->isVisible(), qPrintable(control->objectName()));
    }

    QApplication::setActiveWindow(w.window);
    QVERIFY(QTest::qWaitForWindowActive(w.window));
    QTRY_COMPARE(QApplication::focusWidget(), w.find<QWidget>("txtPort"));
}

void tst_MainWindow::shouldNameTheMachinesOwnAddress()
{
    WindowDriver w;
    const QString shown = w.text("txtRemoteIP");
    const QHostAddress address(shown);
    QCOMPARE(address.protocol(), QAbstractSocket::IPv4Protocol);
    QCOMPARE(address.toString(), shown);

    // An address of an interface that is up, running and no loopback; the
    // loopback address only on a machine that has none.
    bool ownAddress = false;
    bool anyAddress = false;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)
            || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            anyAddress = true;
            ownAddress = ownAddress || entry.ip() == address;
        }
    }
    if (anyAddress)
        QVERIFY2(ownAddress, qPrintable(shown));
    else
        QCOMPARE(shown, QStringLiteral("127.0.0.1"));
}

void tst_MainWindow::shouldKeepTheStatusTextsCharacterForCharacter_data()
{
    // Users and peers read these texts, so they are spelt out once here;
    // everywhere else the tests take them from the program.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    using namespace StatusMessages;
    const std::pair<const QString &, const char *> texts[] = {
        {startUp, "Listening Socket -> Not Listening.     Outgoing Socket -> Not Connected."},
        {listeningOnTcp, "Listening Socket -> Listening on TCP "},
        {listeningOnUdp, "Listening Socket -> Listening on UDP "},
        {notListening, "Listening Socket -> Not Listening"},
        {listeningInvalidPort, "Listening Socket -> Invalid Port Number"},
        {listeningConnectedTo, "Listening Socket -> Connected to "},
        {listeningReceivedFrom, "Listening Socket -> Data received from "},
        {listeningTcpSentTo, "Listening Socket -> TCP Data sent to "},
        {listeningUdpSentTo, "Listening Socket -> UDP Data sent to "},
        {listeningNoPeer, "Listening Socket -> Error: A remote host has not yet connected!"},
        {listeningError, "Listening Socket -> Error: "},
        {outgoingConnectedTo, "Outgoing Socket -> Connected to "},
        {disconnected, "Outgoing Socket -> Disconnected"},
        {closedByRemote, "Outgoing Socket -> Connection closed by remote host"},
        {outgoingInvalidPort, "Outgoing Socket -> Invalid Port Number"},
        {outgoingReceivedFrom, "Outgoing Socket -> Data received from "},
        {outgoingTcpSentTo, "Outgoing Socket -> TCP Data sent to "},
        {outgoingUdpSentTo, "outgoing Socket -> UDP Data sent to "},
        {outgoingNotConnected, "Outgoing Socket -> Error: Socket not connected"},
        {outgoingError, "Outgoing Socket -> Error: "},
    };
    for (const auto &[text, expected] : texts)
        QTest::newRow(expected) << text << QString::fromLatin1(expected);
    QCOMPARE(all().size(), qsizetype(std::size(texts)));
}

void tst_MainWindow::shouldKeepTheStatusTextsCharacterForCharacter()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void tst_MainWindow::shouldPlaceEveryControl_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");

    const struct
    {
        const char *name;
        int x, y, w, h;
        const char *caption;
    } table[] = {
        {"frameLS", 8, 0, 537, 249, "Listening Socket"},
        {"framOS", 8, 256, 537, 249, "Outgoing Socket"},
        {"txtStatus", 8, 512, 537, 25, ""},
        {"Label1", 24, 16, 105, 25, "Listening Port"},
        {"txtPort", 24, 32, 81, 21, ""},
        {"btnSetPort", 112, 32, 49, 21, "Listen"},
        {"btnCloseLS", 168, 32, 53, 21, "Close"},
        {"Frame2", 416, 16, 97, 57, "Type"},
        {"optionTransportLS_0", 8, 16, 49, 15, "TCP"},
        {"optionTransportLS_1", 8, 32, 49, 15, "UDP"},
        {"btnSendLS", 24, 64, 49, 21, "Send"},
        {"txtTransmitDataLS", 24, 88, 377, 65, ""},
        {"Frame3", 416, 80, 97, 73, "Tx Format"},
        {"optionTxtDataFormatLS_0", 8, 16, 65, 15, "String"},
        {"optionTxtDataFormatLS_1", 8, 32, 65, 15, "Decimal"},
        {"optionTxtDataFormatLS_2", 8, 48, 41, 15, "Hex"},
        {"txtReceivedDataLS", 24, 168, 377, 65, ""},
        {"Frame1", 416, 160, 97, 73, "Rx Format"},
        {"optionRxDataFormatLS_0", 8, 16, 57, 15, "String"},
        {"optionRxDataFormatLS_1", 8, 32, 73, 15, "Decimal"},
        {"optionRxDataFormatLS_2", 8, 48, 57, 15, "Hex"},
        {"Line3", 400, 119, 16, 3, ""},
        {"Line4", 400, 199, 16, 3, ""},
        {"Label2", 24, 16, 105, 25, "Remote Host"},
        {"txtRemoteIP", 24, 32, 121, 21, ""},
        {"Label3", 152, 16, 105, 17, "Remote Port"},
        {"txtRemotePort", 152, 32, 81, 21, ""},
        {"btnConnectOS", 240, 32, 57, 21, "Connect"},
        {"btnDisconnectOS", 304, 32, 65, 21, "Disconnect"},
        {"Frame6", 416, 16, 97, 57, "Type"},
        {"optionTransportOS_0", 8, 16, 49, 15, "TCP"},
        {"optionTransportOS_1", 8, 32, 49, 15, "UDP"},
        {"btnSendOS", 24, 64, 49, 21, "Send"},
        {"txtTransmitDataOS", 24, 88, 377, 65, ""},
        {"Frame8", 416, 80, 97, 71, "Tx Format"},
        {"optionTxtDataFormatOS_0", 8, 16, 65, 15, "String"},
        {"optionTxtDataFormatOS_1", 8, 32, 65, 15, "Decimal"},
        {"optionTxtDataFormatOS_2", 8, 48, 41, 15, "Hex"},
        {"txtReceivedDataOS", 24, 168, 377, 65, ""},
        {"Frame7", 416, 160, 97, 73, "Rx Format"},
        {"optionRxDataFormatOS_0", 8, 16, 57, 15, "String"},
        {"optionRxDataFormatOS_1", 8, 32, 73, 15, "Decimal"},
        {"optionRxDataFormatOS_2", 8, 48, 57, 15, "Hex"},
        {"Line1", 400, 119, 16, 3, ""},
        {"Line2", 400, 199, 16, 3, ""},
    };
    for (const auto &row : table)
        QTest::newRow(row.name) << QString::fromLatin1(row.name) << QRect(row.x, row.y, row.w, row.h)
                                << QString::fromLatin1(row.caption);
}

void tst_MainWindow::shouldPlaceEveryControl()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    WindowDriver w;
    auto *control = w.find<QWidget>(name);
    QCOMPARE(control->geometry(), geometry);
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        QCOMPARE(button->text(), caption);
    else if (auto *frame = qobject_cast<QGroupBox *>(control))
        QCOMPARE(frame->title(), caption);
    else if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), caption);
}

void tst_MainWindow::shouldNumberOptionButtonsByIndex_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("count");
    QTest::newRow("listening transport") << QStringLiteral("optionTransportLS") << 2;
    QTest::newRow("listening tx") << QStringLiteral("optionTxtDataFormatLS") << 3;
    QTest::newRow("listening rx") << QStringLiteral("optionRxDataFormatLS") << 3;
    QTest::newRow("outgoing transport") << QStringLiteral("optionTransportOS") << 2;
    QTest::newRow("outgoing tx") << QStringLiteral("optionTxtDataFormatOS") << 3;
    QTest::newRow("outgoing rx") << QStringLiteral("optionRxDataFormatOS") << 3;
}

void tst_MainWindow::shouldNumberOptionButtonsByIndex()
{
    QFETCH(QString, group);
    QFETCH(int, count);
    WindowDriver w;
    auto *buttons = w.find<QButtonGroup>(group);
    QCOMPARE(buttons->buttons().size(), count);
    QVERIFY(buttons->exclusive());
    for (int index = count - 1; index >= 0; --index) {
        w.select(group, index);
        QCOMPARE(buttons->checkedId(), index);
        QCOMPARE(buttons->button(index)->objectName(), group + u'_' + QString::number(index));
    }
}

void tst_MainWindow::shouldHaveAFixedWindowWithoutMaximise()
{
    WindowDriver w;
    QCOMPARE(w.window->centralWidget()->size(), QSize(554, 543));
    QCOMPARE(w.window->minimumSize(), w.window->maximumSize());
    QCOMPARE(w.window->height(), 543 + w.window->menuBar()->height());
    QCOMPARE(w.window->windowTitle(), QStringLiteral("Vortlane"));
    QCOMPARE(w.window->objectName(), QStringLiteral("frmMain"));
    const Qt::WindowFlags flags = w.window->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
}

void tst_MainWindow::shouldUseTheFieldFont()
{
    WindowDriver w;
    for (const char *name : {"Label1", "Label2", "Label3", "txtStatus"}) {
        const QFont font = w.find<QWidget>(QLatin1String(name))->font();
        QCOMPARE(font.pointSizeF(), 9.75);
        QCOMPARE(font.weight(), QFont::Normal);
        QVERIFY(!font.italic());
    }
}

namespace {

// A control's caption as its style lays it out, in the control's own
// coordinates: the room the control gives it (after an option button's
// indicator, inside a push button's padding, a frame's title on its edge, a
// label's contents) and the part of it the text takes. Empty for a control
// without a caption.
struct Caption
{
    QRect room;
    QRect text;
};

Caption captionOf(QWidget *control)
{
    QStyle *style = control->style();
    const QFontMetrics metrics = control->fontMetrics();
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        if (button->text().isEmpty())
            return {};
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const auto part =
            qobject_cast<QRadioButton *>(button) ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents;
        const QRect room = style->subElementRect(part, &option, button) & button->rect();
        return {room, {room.topLeft(), QSize(metrics.horizontalAdvance(button->text()), room.height())}};
    }
    if (auto *frame = qobject_cast<QGroupBox *>(control)) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.textAlignment = frame->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect title = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
        return {title & frame->rect(),
                {title.topLeft(), QSize(metrics.horizontalAdvance(frame->title()), title.height())}};
    }
    if (auto *label = qobject_cast<QLabel *>(control); label && !label->text().isEmpty())
        return {label->contentsRect(),
                metrics.boundingRect(label->contentsRect(), int(label->alignment()), label->text())};
    return {};
}

// What a control covers of its parent: a label only its text, every other
// control its whole face.
QRect footprint(QWidget *control)
{
    if (qobject_cast<QLabel *>(control))
        return captionOf(control).text.translated(control->pos());
    return control->geometry();
}

} // namespace

void tst_MainWindow::shouldShowEveryCaptionWhole_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<bool>("chosenWhileOpen");
    // The styles a desktop may hand the program, whether or not this machine
    // has them, and whatever else it has.
    QStringList styles{QStringLiteral("Fusion"), QStringLiteral("Windows"), QStringLiteral("Adwaita"),
                       QStringLiteral("Adwaita-Dark")};
    for (const QString &key : QStyleFactory::keys())
        if (!styles.contains(key, Qt::CaseInsensitive))
            styles << key;
    for (const QString &style : std::as_const(styles)) {
        QTest::addRow("%s", qPrintable(style)) << style << false;
        QTest::addRow("%s, chosen while the window is open", qPrintable(style)) << style << true;
    }
}

void tst_MainWindow::shouldShowEveryCaptionWhole()
{
    QFETCH(QString, style);
    QFETCH(bool, chosenWhileOpen);
    if (!QStyleFactory::keys().contains(style, Qt::CaseInsensitive))
        QSKIP("this style is not installed");
    const QString before = QApplication::style()->name();
    const auto restore = qScopeGuard([&] { QApplication::setStyle(before); });
    if (!chosenWhileOpen)
        QApplication::setStyle(style);
    WindowDriver w;
    if (chosenWhileOpen)
        QApplication::setStyle(style);
    QCOMPARE(w.window->style()->name().toLower(), style.toLower());

    // The window keeps the whole form below the menu bar, however tall the style makes it.
    QWidget *form = w.window->centralWidget();
    QCOMPARE(form->size(), QSize(554, 543));
    QTRY_COMPARE(w.window->height(), w.window->menuBar()->height() + form->height());
    for (QWidget *control : form->findChildren<QWidget *>()) {
        const Caption caption = captionOf(control);
        if (caption.text.isNull())
            continue;
        const QString name = control->objectName();
        // A caption runs out of its room at its end: the room must span it.
        QVERIFY2(caption.room.left() <= caption.text.left() && caption.text.right() <= caption.room.right(),
                 qPrintable(QStringLiteral("%1: caption %2 wide at %3, room %4 wide at %5")
                                .arg(name)
                                .arg(caption.text.width())
                                .arg(caption.text.left())
                                .arg(caption.room.width())
                                .arg(caption.room.left())));
        QVERIFY2(control->parentWidget()->rect().contains(control->geometry()), qPrintable(name));
        for (QObject *other : control->parentWidget()->children()) {
            auto *sibling = qobject_cast<QWidget *>(other);
            if (!sibling || sibling == control || sibling->isWindow())
                continue;
            QVERIFY2(!footprint(control).intersects(footprint(sibling)),
                     qPrintable(name + QStringLiteral(" overlaps ") + sibling->objectName()));
        }
    }
}

void tst_MainWindow::shouldLimitWhatIsTyped_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("limit");
    QTest::newRow("listening port") << QStringLiteral("txtPort") << 5;
    QTest::newRow("remote port") << QStringLiteral("txtRemotePort") << 5;
    QTest::newRow("remote host") << QStringLiteral("txtRemoteIP") << 100;
    QTest::newRow("listening transmit") << QStringLiteral("txtTransmitDataLS") << -1;
    QTest::newRow("outgoing transmit") << QStringLiteral("txtTransmitDataOS") << -1;
}

void tst_MainWindow::shouldLimitWhatIsTyped()
{
    QFETCH(QString, box);
    QFETCH(int, limit);
    WindowDriver w;
    const QString typed(150, u'7');
    w.type(box, typed);
    QCOMPARE(w.text(box), limit < 0 ? typed : typed.left(limit));
}

void tst_MainWindow::transmitBoxShouldEditAsATextBox_data()
{
    // A starting text (the caret at its start) and steps: typed text, a key
    // chord after a caret, an input method's pre-edit after a tilde, its
    // commit after an equals sign. Each box is 20.5 characters wide, so both
    // wrap a longer line alike.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("steps");
    const QString accent = QStringLiteral("e\u0301x");
    const QString flag = QStringLiteral("a\U0001F1E9\U0001F1EAb");
    const QString thumb = QStringLiteral("a\U0001F44D\U0001F3FDb");
    const QString token = QString(50, u'7');
    const QString punctuated = QStringLiteral("foo.bar  baz-qux, 12.5 can't");
    const auto row = [](const char *name, const QString &text, const QStringList &steps) {
        QTest::newRow(name) << text << steps;
    };
    row("typing is undone as one step however long", {}, {QStringLiteral("abc def ").repeated(40), "^Ctrl+Z"});
    row("and redone", {}, {"abc", "^Ctrl+Z", "^Ctrl+Shift+Z"});
    row("backspace and delete", {}, {"abcd", "^Backspace", "^Home", "^Del"});
    row("a run of backspaces is one step", "abcdef", {"^End", "^Backspace", "^Backspace", "^Backspace", "^Ctrl+Z"});
    row("a run of deletes is one step", "abcdef", {"^Del", "^Del", "^Del", "^Ctrl+Z"});
    row("typing after backspaces is a step of its own", "ab", {"^End", "^Backspace", "cd", "^Ctrl+Z"});
    row("a line break ends a typed run", {}, {"ab", "^Return", "cd", "^Ctrl+Z", "^Ctrl+Z"});
    row("typed over a selection, undone", "abc", {"^Shift+Right", "xy", "^Ctrl+Z"});
    row("typed where the caret is", {}, {"ac", "^Left", "b"});
    row("cut and paste a selection", {}, {"ab", "^Shift+Left", "^Ctrl+X", "^Home", "^Ctrl+V"});
    row("select all, type over", {}, {"abc", "^Ctrl+A", "x"});
    row("up keeps the column", {}, {"ab", "^Return", "cd", "^Up", "X"});
    row("undo a paste", {}, {"ab", "^Ctrl+A", "^Ctrl+C", "^End", "^Ctrl+V", "^Ctrl+Z"});
    row("up on the first line stays", "abc\ndef", {"^Right", "^Up"});
    row("down on the last line stays", "abc\ndef", {"^Down", "^Right", "^Down"});
    row("shift+up on the first line selects to the start", "abc\ndef", {"^Right", "^Shift+Up"});
    row("shift+down on the last line selects to the end", "abc\ndef", {"^Down", "^Shift+Down"});
    row("end on a line wrapped inside a token, typing", token, {"^End", "#"});
    row("shift+end on a line wrapped inside a token", token, {"^Shift+End"});
    row("end twice on a line wrapped inside a token", token, {"^End", "^End"});
    row("end on a line wrapped at a space", QStringLiteral("abcd ").repeated(8), {"^End", "#"});
    row("right over a combining accent", accent, {"^Right", "#"});
    row("left over a combining accent", accent, {"^End", "^Left", "^Left", "#"});
    row("shift+right over a combining accent", accent, {"^Shift+Right"});
    row("delete takes the accent with its letter", accent, {"^Del"});
    row("backspace takes the accent alone", accent, {"^Right", "^Backspace"});
    row("right over a flag", flag, {"^Right", "^Right", "#"});
    row("delete takes a whole flag", flag, {"^Right", "^Del"});
    row("right over a skin-toned emoji", thumb, {"^Right", "^Right", "#"});
    row("ctrl+right to each word's start", punctuated,
        {"^Ctrl+Right", "1", "^Ctrl+Right", "2", "^Ctrl+Right", "3", "^Ctrl+Right", "4", "^Ctrl+Right", "5",
         "^Ctrl+Right", "6", "^Ctrl+Right", "7", "^Ctrl+Right", "8"});
    row("ctrl+left to each word's start", punctuated,
        {"^End", "^Ctrl+Left", "1", "^Left", "^Ctrl+Left", "2", "^Left", "^Ctrl+Left", "3", "^Left", "^Ctrl+Left", "4",
         "^Left", "^Ctrl+Left", "5", "^Left", "^Ctrl+Left", "6"});
    row("ctrl+backspace stops at punctuation", punctuated,
        {"^Ctrl+Right", "^Ctrl+Right", "^Ctrl+Right", "^Ctrl+Backspace"});
    row("ctrl+delete stops at punctuation", punctuated, {"^Ctrl+Right", "^Ctrl+Delete"});
    row("ctrl+delete runs to the next word", punctuated, {"^Ctrl+Right", "^Ctrl+Right", "^Right", "^Ctrl+Delete"});
    row("ctrl+right stops at a line break", QStringLiteral("ab\n  cd"),
        {"^Ctrl+Right", "^Ctrl+Right", "^Ctrl+Right", "#"});
    row("an input method's commit is inserted", "ab", {"^Right", "~x", "=\u4f60\u597d"});
    row("and undone as one step", "ab", {"^End", "cd", "~x", "=\u4f60\u597d", "^Ctrl+Z"});
}

void tst_MainWindow::transmitBoxShouldEditAsATextBox()
{
    QFETCH(QString, text);
    QFETCH(QStringList, steps);
    WindowDriver w;
    auto *box = w.find<TransmitDataEdit>(QStringLiteral("txtTransmitDataOS"));
    QPlainTextEdit plain;
    plain.show();
    for (QAbstractScrollArea *edit :
         {static_cast<QAbstractScrollArea *>(box), static_cast<QAbstractScrollArea *>(&plain)}) {
        edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        const qreal columns = 20.5 * QFontMetricsF(edit->font()).horizontalAdvance(u'0');
        edit->resize(qCeil(columns) + 8 + edit->width() - edit->viewport()->width(), 200);
    }
    box->setPlainText(text);
    plain.setPlainText(text);
    for (QWidget *edit : {static_cast<QWidget *>(box), static_cast<QWidget *>(&plain)}) {
        for (const QString &step : std::as_const(steps)) {
            if (step.startsWith(u'^')) {
                QTest::keySequence(edit, QKeySequence(step.mid(1)));
            } else if (step.startsWith(u'~') || step.startsWith(u'=')) {
                QInputMethodEvent composing(step.startsWith(u'~') ? step.mid(1) : QString(), {});
                if (step.startsWith(u'='))
                    composing.setCommitString(step.mid(1));
                QApplication::sendEvent(edit, &composing);
            } else {
                QTest::keyClicks(edit, step);
            }
        }
    }
    QCOMPARE(box->toPlainText(), plain.toPlainText());
    QCOMPARE(box->cursorPosition(), plain.textCursor().position());
    QCOMPARE(box->anchorPosition(), plain.textCursor().anchor());
}

void tst_MainWindow::transmitBoxShouldWrapBetweenTokens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("tokensWhole");
    QTest::newRow("hex bytes") << QStringLiteral("4F 6B ").repeated(200) << true;
    QTest::newRow("one token wider than the box") << QString(2000, u'7') << false;
}

void tst_MainWindow::transmitBoxShouldWrapBetweenTokens()
{
    QFETCH(QString, text);
    QFETCH(bool, tokensWhole);
    WindowDriver w;
    w.paste(QStringLiteral("txtTransmitDataLS"), text);
    QCOMPARE(w.text(QStringLiteral("txtTransmitDataLS")), text);
    // Where each character stands, as a screen reader is told.
    QAccessibleInterface *box =
        QAccessible::queryAccessibleInterface(w.find<QWidget>(QStringLiteral("txtTransmitDataLS")));
    QVERIFY(box && box->textInterface() && box->editableTextInterface());
    QCOMPARE(box->textInterface()->characterCount(), int(text.size()));
    const auto top = [box](int offset) { return box->textInterface()->characterRect(offset).top(); };
    QVERIFY(top(0) < top(int(text.size()) - 1));
    if (tokensWhole) {
        for (int offset = 0; offset < text.size(); offset += 3)
            QVERIFY2(top(offset) == top(offset + 1), qPrintable(QString::number(offset)));
    }
}

void tst_MainWindow::shouldFollowTheFocusOrder()
{
    const QStringList order = {"txtPort",
                               "btnSetPort",
                               "btnCloseLS",
                               "optionTransportLS_0",
                               "optionTransportLS_1",
                               "optionTxtDataFormatLS_0",
                               "optionTxtDataFormatLS_1",
                               "optionTxtDataFormatLS_2",
                               "optionRxDataFormatLS_0",
                               "optionRxDataFormatLS_1",
                               "optionRxDataFormatLS_2",
                               "txtTransmitDataLS",
                               "btnSendLS",
                               "txtReceivedDataLS",
                               "txtRemoteIP",
                               "txtRemotePort",
                               "btnConnectOS",
                               "btnDisconnectOS",
                               "optionTransportOS_0",
                               "optionTransportOS_1",
                               "optionTxtDataFormatOS_0",
                               "optionTxtDataFormatOS_1",
                               "optionTxtDataFormatOS_2",
                               "optionRxDataFormatOS_0",
                               "optionRxDataFormatOS_1",
                               "optionRxDataFormatOS_2",
                               "txtTransmitDataOS",
                               "btnSendOS",
                               "txtReceivedDataOS",
                               "txtStatus"};
    WindowDriver w;
    QStringList chain;
    QWidget *widget = w.find<QWidget>("txtPort");
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != w.find<QWidget>("txtPort") && chain.size() < 100);
    QCOMPARE(chain, order);
}

void tst_MainWindow::shouldShowMenusWithoutAccessKeys()
{
    WindowDriver w;
    const struct
    {
        const char *name;
        const char *caption;
    } menus[] = {{"mnuFile", "File"}, {"mnuHelp", "Help"}};
    for (const auto &menu : menus)
        QCOMPARE(w.find<QMenu>(QLatin1String(menu.name))->title(), QLatin1String(menu.caption));
    const struct
    {
        const char *name;
        const char *caption;
    } actions[] = {{"mnuExit", "Exit"}, {"mnuManual", "Manual"}, {"mnuAbout", "About"}};
    for (const auto &action : actions) {
        auto *item = w.find<QAction>(QLatin1String(action.name));
        QCOMPARE(item->text(), QLatin1String(action.caption));
        QVERIFY(item->shortcut().isEmpty());
    }
}

void tst_MainWindow::shouldSetTheColourBeforeTheText_data()
{
    QTest::addColumn<QColor>("before");
    QTest::addColumn<QColor>("after");
    QTest::addColumn<bool>("error");
    QTest::newRow("black after red") << red << black << false;
    QTest::newRow("blue after red") << red << blue << false;
    QTest::newRow("red after blue") << blue << red << true;
    QTest::newRow("blue again") << blue << blue << false;
}

void tst_MainWindow::shouldSetTheColourBeforeTheText()
{
    QFETCH(QColor, before);
    QFETCH(QColor, after);
    QFETCH(bool, error);
    const auto colourOf = [](const QColor &c) {
        return StatusColour{quint32(c.red() | c.green() << 8 | c.blue() << 16)};
    };
    WindowDriver w;
    w.window->SetStatus(QStringLiteral("before"), colourOf(before));
    auto *status = w.find<QLineEdit>("txtStatus");
    QColor colourWhenTextChanged;
    QObject::connect(status, &QLineEdit::textChanged, status,
                     [&] { colourWhenTextChanged = status->palette().color(QPalette::Active, QPalette::Text); });
    if (error)
        w.window->SetStatusError(QStringLiteral("after"));
    else
        w.window->SetStatus(QStringLiteral("after"), colourOf(after));
    QCOMPARE(colourWhenTextChanged, after);
    QCOMPARE(w.statusColour(), after);
    QCOMPARE(w.status(), QStringLiteral("after"));
    // Readable whatever the desktop theme: the background stays light.
    QVERIFY(status->palette().color(QPalette::Active, QPalette::Base).lightness() > 200);
}

void tst_MainWindow::shouldTakeTheMessageExactlyAsPassed()
{
    WindowDriver w;
    const QString message = QStringLiteral("  two  spaces around  ");
    w.window->SetStatus(message, StatusColour::blue);
    QCOMPARE(w.status(), message);
    w.window->SetStatus(QString(), StatusColour::black);
    QCOMPARE(w.status(), QString());
    QCOMPARE(w.statusColour(), black);
}

void tst_MainWindow::exitShouldCloseTheWindowAndItsSockets()
{
    WindowDriver w;
    const quint16 port = w.listenOnFreePort();
    QVERIFY(port != 0);
    w.find<QAction>("mnuExit")->trigger();
    QTRY_VERIFY(w.window.isNull());

    QTcpSocket probe;
    QSignalSpy refused(&probe, &QTcpSocket::errorOccurred);
    probe.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(refused.wait(5000));
    QCOMPARE(probe.error(), QAbstractSocket::ConnectionRefusedError);
}

void tst_MainWindow::closingShouldReleaseTheListeningPort_data()
{
    // A close command from the window system comes through the window's
    // handle, as the title bar's close button and the desktop's close do;
    // none may be refused, whatever is pouring in.
    QTest::addColumn<bool>("fromTheSystem");
    QTest::addColumn<int>("flood");
    QTest::newRow("closed by the program") << false << int(Flood::none);
    QTest::newRow("close command") << true << int(Flood::none);
    QTest::newRow("close command while a peer pours in, Hex") << true << int(Flood::pouring);
    QTest::newRow("close command right after a pour, Hex") << true << int(Flood::justEnded);
}

void tst_MainWindow::closingShouldReleaseTheListeningPort()
{
    QFETCH(bool, fromTheSystem);
    QFETCH(int, flood);
    WindowDriver w;
    w.select(QStringLiteral("optionRxDataFormatLS"), 2);
    const quint16 port = w.listenOnFreePort();
    QTcpSocket peer;
    std::unique_ptr<Pourer> pourer;
    if (Flood(flood) != Flood::none) {
        peer.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(peer.waitForConnected(5000));
        pourer = std::make_unique<Pourer>(&peer, 'x');
        QTRY_VERIFY(w.text(QStringLiteral("txtReceivedDataLS")).startsWith(QStringLiteral("78 78")));
        if (Flood(flood) == Flood::justEnded)
            pourer.reset();
    }
    if (fromTheSystem)
        w.window->windowHandle()->close();
    else
        w.window->close();
    QTRY_VERIFY(w.window.isNull());
    QTcpServer again;
    QVERIFY2(again.listen(QHostAddress::Any, port), qPrintable(again.errorString()));
}

void tst_MainWindow::manualShouldOpenTheViewerAndLeaveTheStatusAlone()
{
    WindowDriver w;
    w.window->SetStatus(QStringLiteral("unchanged"), StatusColour::blue);
    const auto topLevels = [] {
        QWidgetList shown;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && !qobject_cast<QMenu *>(widget))
                shown << widget;
        return shown;
    };
    QCOMPARE(topLevels().size(), 1);
    w.find<QAction>("mnuManual")->trigger();
    QTRY_COMPARE(topLevels().size(), 2);
    w.find<QAction>("mnuManual")->trigger();
    QCOMPARE(topLevels().size(), 2);
    QCOMPARE(w.status(), QStringLiteral("unchanged"));
    QCOMPARE(w.statusColour(), blue);

    // Closing the main window tells the viewer the file is no longer needed.
    w.window->close();
    QTRY_VERIFY(w.window.isNull());
    QTRY_COMPARE(topLevels().size(), 0);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
