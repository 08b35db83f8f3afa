// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/StatusMessages.h"
#include "app/help/HelpFile.h"
#include "formats/TokenReading.h"
#include "socket/EventSocket.h"
#include "socket/EventSocketError.h"
#include "socket/PortText.h"
#include "socket/SocketErrorText.h"

#include <QMap>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QTextDocument>
#include <QtTest>

#include <algorithm>

// The manual against the program: every status message the program can show,
// and every description the socket puts after "Error: ", must be in the help
// file as the user sees it. The texts come from the program itself, so a
// message added or reworded there fails this test until the manual follows.
namespace {

const QString sourceDir = QStringLiteral(VORTLANE_SOURCE_DIR);

// The topics that list the messages and the descriptions in full.
const QString messagesTopic = QStringLiteral("status-messages");
const QString descriptionsTopic = QStringLiteral("error-descriptions");

// The text of help-file markup as written: comments and tags removed,
// character references decoded (a no-break space as a blank), nothing else
// changed. Blanks are not folded, so five blanks must be written as five.
QString decodedText(const QString &html)
{
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[A-Za-z/!][^>]*>"));
    static const QRegularExpression reference(QStringLiteral("&(#[0-9]+|#[xX][0-9A-Fa-f]+|[A-Za-z]+);"));
    static const QMap<QString, QString> named{
        {QStringLiteral("nbsp"), QStringLiteral(" ")},  {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},    {QStringLiteral("amp"), QStringLiteral("&")},
        {QStringLiteral("quot"), QStringLiteral("\"")}, {QStringLiteral("apos"), QStringLiteral("'")},
    };

    QString text = html;
    text.remove(comment);
    text.remove(tag);
    QString decoded;
    qsizetype at = 0;
    for (const QRegularExpressionMatch &match : reference.globalMatch(text)) {
        decoded += QStringView(text).sliced(at, match.capturedStart() - at);
        const QString name = match.captured(1);
        if (name.startsWith(u'#')) {
            const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
            const char32_t code = name.mid(hex ? 2 : 1).toUInt(nullptr, hex ? 16 : 10);
            decoded += QString::fromUcs4(&code, 1);
        } else {
            decoded += named.value(name, match.captured(0));
        }
        at = match.capturedEnd();
    }
    decoded += QStringView(text).sliced(at);
    decoded.replace(QChar::Nbsp, u' ');
    return decoded;
}

// A text the manual must explain, and where the program gave it.
struct ProgramText
{
    QString text;
    QString source;
};

QList<ProgramText> statusMessages()
{
    QList<ProgramText> messages;
    for (const QString &message : StatusMessages::all())
        messages.append({message, QStringLiteral("the status messages")});
    for (TokenVerdict verdict :
         {TokenVerdict::NotNumeric, TokenVerdict::OutOfRange, TokenVerdict::BadHexCharacter, TokenVerdict::TooLong})
        messages.append({parseErrorMessage(verdict), QStringLiteral("the parse errors")});
    return messages;
}

// The description an operation throws; empty when it throws none.
template <typename Operation>
QString thrownDescription(Operation operation)
{
    try {
        operation();
    } catch (const EventSocketError &error) {
        return error.description();
    }
    return {};
}

// Every description the socket gives, in its fixed pieces: a text the user
// typed is quoted inside some, and the manual explains what is around it. A
// source that gives nothing is kept with an empty text, for the test to fail.
QList<ProgramText> errorDescriptions()
{
    QList<ProgramText> found;
    const auto add = [&found](const QString &description, const QString &quoted, const QString &source) {
        if (description.isEmpty())
            found.append({QString(), source});
        for (const QString &piece : quoted.isEmpty() ? QStringList{description} : description.split(quoted)) {
            const bool words = std::any_of(piece.cbegin(), piece.cend(), [](QChar c) { return c.isLetter(); });
            const bool seen = std::any_of(found.cbegin(), found.cend(),
                                          [&piece](const ProgramText &known) { return known.text == piece; });
            if (words && !seen)
                found.append({piece, source});
        }
    };

    const QMetaEnum errors = QMetaEnum::fromType<QAbstractSocket::SocketError>();
    for (int i = 0; i < errors.keyCount(); ++i) {
        const auto error = QAbstractSocket::SocketError(errors.value(i));
        add(describeSocketError(error).description, {}, QString::fromLatin1(errors.key(i)));
    }
    for (const QString &port : {QString(), QStringLiteral("x"), QStringLiteral("70000")})
        add(thrownDescription([&port] { readPort(port); }), port, QStringLiteral("the port \"%1\"").arg(port));

    // The misuses a user can bring about from the window.
    const auto misuse = [&add](const char *what, auto operation) {
        EventSocket socket;
        add(thrownDescription([&] { operation(socket); }), {}, QString::fromLatin1(what));
    };
    misuse("connecting to no host", [](EventSocket &socket) { socket.Connect(QString(), QStringLiteral("4000")); });
    misuse("sending over TCP unconnected", [](EventSocket &socket) { socket.SendData("x"); });
    misuse("sending over UDP unopened", [](EventSocket &socket) {
        socket.SetProtocol(EventSocket::UdpProtocol);
        socket.SendData("x");
    });
    misuse("sending while the name is looked up", [](EventSocket &socket) {
        socket.SetProtocol(EventSocket::UdpProtocol);
        socket.Connect(QStringLiteral("localhost"), QStringLiteral("4000"));
        socket.SendData("x");
    });
    return found;
}

} // namespace

class tst_ManualCoverage : public QObject
{
    Q_OBJECT

private:
    HelpFile manual;

    // The topic's text as written, and as the viewer shows it.
    QString writtenText(const QString &topicId) const
    {
        const int topic = manual.topicById(topicId);
        return topic < 0 ? QString() : decodedText(manual.topics()[topic].html);
    }

    QString shownText(const QString &topicId) const
    {
        const int topic = manual.topicById(topicId);
        if (topic < 0)
            return {};
        QTextDocument document;
        document.setDefaultStyleSheet(manual.styleSheet());
        document.setHtml(manual.topics()[topic].html);
        return document.toPlainText();
    }

    void checkListed(const QString &text, const QString &source, const QString &topicId) const
    {
        QVERIFY2(!text.isEmpty(), qPrintable(source + QStringLiteral(" gave no text")));
        const QString where = QStringLiteral("\"%1\" (from %2) in the help topic \"%3\"").arg(text, source, topicId);
        QVERIFY2(writtenText(topicId).contains(text), qPrintable(where + QStringLiteral(" is missing")));
        // A run of blanks written plainly would fold into one when shown.
        QVERIFY2(shownText(topicId).contains(text),
                 qPrintable(where + QStringLiteral(" is written but does not read the same when shown")));
    }

private slots:
    void initTestCase()
    {
        const QString path = sourceDir + QStringLiteral("/help/Vortlane.HLP");
        QVERIFY2(manual.load(path) == HelpFile::Status::Loaded, qPrintable(path + u' ' + manual.problem()));
        QVERIFY2(manual.topicById(messagesTopic) >= 0, qPrintable(QStringLiteral("no topic ") + messagesTopic));
        QVERIFY2(manual.topicById(descriptionsTopic) >= 0, qPrintable(QStringLiteral("no topic ") + descriptionsTopic));
    }

    void shouldDecodeTheHelpText_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");

        QTest::newRow("tags removed") << "<code>Connected to <i>address</i>:<i>port</i></code>"
                                      << "Connected to address:port";
        QTest::newRow("markup characters") << "0&lt;TxData&lt;255 -&gt; a &amp; b"
                                           << "0<TxData<255 -> a & b";
        QTest::newRow("no-break spaces count one each") << "a.&nbsp;&nbsp;&nbsp;b"
                                                        << "a.   b";
        QTest::newRow("blanks not folded") << "a  \n b"
                                           << "a  \n b";
        QTest::newRow("numeric references") << "&#65;&#x42;&#X43;"
                                            << "ABC";
        QTest::newRow("decoded once only") << "&amp;lt;"
                                           << "&lt;";
        QTest::newRow("comments removed") << "a<!-- <b>x</b> -->b"
                                          << "ab";
        QTest::newRow("lone less-than kept") << "a < b"
                                             << "a < b";
    }

    void shouldDecodeTheHelpText()
    {
        QFETCH(QString, html);
        QFETCH(QString, text);
        QCOMPARE(decodedText(html), text);
    }

    void shouldListEveryStatusMessage_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("source");
        for (const ProgramText &message : statusMessages())
            QTest::newRow(qPrintable(message.text)) << message.text << message.source;
    }

    void shouldListEveryStatusMessage()
    {
        QFETCH(QString, message);
        QFETCH(QString, source);
        checkListed(message, source, messagesTopic);
    }

    void shouldListEveryErrorDescription_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("source");
        for (const ProgramText &description : errorDescriptions())
            QTest::newRow(qPrintable(description.text)) << description.text << description.source;
    }

    void shouldListEveryErrorDescription()
    {
        QFETCH(QString, description);
        QFETCH(QString, source);
        checkListed(description, source, descriptionsTopic);
    }
};

QTEST_MAIN(tst_ManualCoverage)
#include "tst_manualcoverage.moc"
