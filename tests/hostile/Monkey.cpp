// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Monkey.h"

#include "HostileWindow.h"

#include <QAction>
#include <QPushButton>

namespace {

const QStringList &boxes()
{
    static const QStringList names{
        QStringLiteral("txtPort"),           QStringLiteral("txtRemoteIP"),       QStringLiteral("txtRemotePort"),
        QStringLiteral("txtTransmitDataLS"), QStringLiteral("txtTransmitDataOS"), QStringLiteral("txtReceivedDataLS"),
        QStringLiteral("txtReceivedDataOS"), QStringLiteral("txtStatus"),
    };
    return names;
}

bool holdsAnAddress(const QString &box)
{
    return box == u"txtPort" || box == u"txtRemoteIP" || box == u"txtRemotePort";
}

// A text for the journal, its control characters spelt out.
QString visible(const QString &text)
{
    QString shown;
    for (const QChar character : text) {
        if (character.unicode() < 0x20 || character.unicode() == 0x7f)
            shown += QStringLiteral("\\x%1").arg(character.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += character;
    }
    return shown;
}

} // namespace

Monkey::Monkey(const WindowDriver &w, quint32 seed)
    : w(w)
    , input(seed)
    , listeningPort(freeTcpPort())
{}

void Monkey::takeOverRemoteHost()
{
    w.type(QStringLiteral("txtRemoteIP"), QStringLiteral("127.0.0.1"));
}

bool Monkey::remoteHostIsLoopback() const
{
    return MonkeyInput::loopbackHosts().contains(w.text(QStringLiteral("txtRemoteIP")));
}

QList<quint16> Monkey::ownPorts() const
{
    // The peers hold their ports for the whole run; the listening panel's
    // port is offered only while the panel holds it, so no program that
    // took a port the test let go of ever hears from the outgoing panel.
    QList<quint16> ports{peers_.serverPort(), peers_.udpPort()};
    if (w.listeningSocket()->State() != EventSocket::StateClosed)
        ports << quint16(w.listeningSocket()->LocalPort());
    return ports;
}

QString Monkey::act()
{
    peers_.tidy();
    const int roll = input.below(100);
    if (roll < 22)
        return typeIntoABox();
    if (roll < 27)
        return pressAKey();
    if (roll < 42)
        return chooseAnOption();
    if (roll < 62)
        return clickAButton();
    if (roll < 65)
        return useTheAboutBox();
    if (roll < 66)
        return useTheManual();
    if (roll < 94)
        return peerTraffic();
    return pause();
}

QString Monkey::typeIntoABox()
{
    const QString box = input.pick(boxes());
    QString text;
    if (box == u"txtRemoteIP")
        text = input.pick(MonkeyInput::loopbackHosts());
    else if (box == u"txtPort")
        text = input.portText({listeningPort});
    else if (box == u"txtRemotePort")
        text = input.portText(ownPorts());
    else
        text = input.anyText();
    // Long texts come as one input, like a paste, and now and then a short
    // one does too; the rest key by key. A paste is the way a line break
    // gets into a one-line box.
    const bool pasted = text.size() > 40 || input.chance(10);
    if (pasted)
        paste(w, box, text);
    else
        typeAnything(w, box, text);
    return QStringLiteral("%1 %2 characters into %3: \"%4\"")
        .arg(pasted ? QStringLiteral("paste") : QStringLiteral("type"))
        .arg(text.size())
        .arg(box, visible(text.left(40)));
}

QString Monkey::pressAKey()
{
    // The address and port boxes get no editing keys: undo, paste or a
    // deleted character could leave a host or port the monkey never chose.
    QString box;
    do
        box = input.pick(boxes());
    while (holdsAnAddress(box));
    struct Chord
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char *name;
    };
    static const QList<Chord> chords{
        {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"},
        {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},
        {Qt::Key_V, Qt::ControlModifier, "Ctrl+V"},
        {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
        {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},
        {Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
        {Qt::Key_Delete, Qt::NoModifier, "Delete"},
        {Qt::Key_Return, Qt::NoModifier, "Return"},
        {Qt::Key_Tab, Qt::NoModifier, "Tab"},
        {Qt::Key_Home, Qt::ControlModifier, "Ctrl+Home"},
        {Qt::Key_End, Qt::ShiftModifier, "Shift+End"},
        {Qt::Key_PageDown, Qt::NoModifier, "PageDown"},
        {Qt::Key_Up, Qt::NoModifier, "Up"},
        {Qt::Key_Escape, Qt::NoModifier, "Escape"},
    };
    const Chord &chord = input.pick(chords);
    auto *target = w.find<QWidget>(box);
    target->setFocus();
    QTest::keyClick(target, chord.key, chord.modifiers);
    return QStringLiteral("press %1 in %2").arg(QLatin1String(chord.name), box);
}

QString Monkey::chooseAnOption()
{
    static const QStringList groups{
        QStringLiteral("optionTransportLS"),     QStringLiteral("optionTxtDataFormatLS"),
        QStringLiteral("optionRxDataFormatLS"),  QStringLiteral("optionTransportOS"),
        QStringLiteral("optionTxtDataFormatOS"), QStringLiteral("optionRxDataFormatOS"),
    };
    const QString group = input.pick(groups);
    const int index = input.below(group.startsWith(u"optionTransport") ? 2 : 3);
    w.select(group, index);
    return QStringLiteral("choose %1_%2").arg(group).arg(index);
}

QString Monkey::clickAButton()
{
    static const QStringList buttons{
        QStringLiteral("btnSetPort"),   QStringLiteral("btnCloseLS"),      QStringLiteral("btnSendLS"),
        QStringLiteral("btnConnectOS"), QStringLiteral("btnDisconnectOS"), QStringLiteral("btnSendOS"),
    };
    return clickButton(input.pick(buttons));
}

QString Monkey::clickButton(const QString &button)
{
    // The outgoing panel talks to whatever the host box names: the monkey
    // checks it before every click that could reach the network.
    if ((button == u"btnConnectOS" || button == u"btnSendOS") && !remoteHostIsLoopback())
        qFatal("the remote host box holds \"%s\", which the monkey never typed",
               qPrintable(w.text(QStringLiteral("txtRemoteIP"))));
    w.click(button);
    return QStringLiteral("click %1").arg(button);
}

QString Monkey::useTheAboutBox()
{
    const QWidgetList open = visibleTopLevels(QStringLiteral("frmAbout"));
    if (open.isEmpty() || input.chance(30)) {
        w.find<QAction>(QStringLiteral("mnuAbout"))->trigger();
        return QStringLiteral("choose Help > About");
    }
    QWidget *box = open.first();
    if (input.chance(50)) {
        auto *ok = box->findChild<QPushButton *>(QStringLiteral("cmdOK"));
        QTest::mouseClick(ok, Qt::LeftButton);
        return QStringLiteral("click OK in the about box");
    }
    box->close();
    return QStringLiteral("close the about box");
}

QString Monkey::useTheManual()
{
    const QWidgetList open = visibleTopLevels(QStringLiteral("helpViewer"));
    if (open.isEmpty() || input.chance(30)) {
        w.find<QAction>(QStringLiteral("mnuManual"))->trigger();
        return QStringLiteral("choose Help > Manual");
    }
    open.first()->close();
    return QStringLiteral("close the help viewer");
}

QString Monkey::peerTraffic()
{
    EventSocket *listening = w.listeningSocket();
    EventSocket *outgoing = w.outgoingSocket();
    const bool listeningOverTcp = listening->State() == EventSocket::StateListening;
    const bool listeningOverUdp =
        listening->Protocol() == EventSocket::UdpProtocol && listening->State() == EventSocket::StateOpen;
    const bool outgoingOverUdp =
        outgoing->Protocol() == EventSocket::UdpProtocol && outgoing->State() == EventSocket::StateOpen;

    // Of what the peers could do now, one thing at random.
    for (int tries = 0; tries < 8; ++tries) {
        switch (input.below(7)) {
        case 0:
            if (listeningOverTcp) {
                const bool overIpv6 = input.chance(30);
                peers_.connectClient(QHostAddress(overIpv6 ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost),
                                     quint16(listening->LocalPort()));
                return QStringLiteral("a peer knocks on the listening panel over %1")
                    .arg(overIpv6 ? QStringLiteral("IPv6") : QStringLiteral("IPv4"));
            }
            break;
        case 1:
            if (peers_.sendFromClient(input))
                return QStringLiteral("a client of the listening panel sends");
            break;
        case 2:
            if (input.chance(40) && peers_.dropClient(input))
                return QStringLiteral("a client of the listening panel leaves");
            break;
        case 3:
            if (peers_.sendFromServer(input))
                return QStringLiteral("the outgoing panel's server sends");
            break;
        case 4:
            if (input.chance(40) && peers_.dropServerPeer(input))
                return QStringLiteral("the outgoing panel's server drops it");
            break;
        case 5:
            if (listeningOverUdp) {
                const int burst = input.chance(20) ? 1 + input.below(200) : 1;
                for (int i = 0; i < burst; ++i)
                    peers_.sendDatagram(input.anyBytes(), quint16(listening->LocalPort()));
                return QStringLiteral("%1 datagrams to the listening panel").arg(burst);
            }
            break;
        default:
            if (outgoingOverUdp) {
                peers_.sendDatagram(input.anyBytes(), quint16(outgoing->LocalPort()));
                return QStringLiteral("a datagram to the outgoing panel");
            }
            break;
        }
    }
    // Nothing is open for the peers: the user opens something, so that the
    // run spends its actions on traffic rather than on closed sockets.
    return clickButton(input.chance(50) ? QStringLiteral("btnSetPort") : QStringLiteral("btnConnectOS"));
}

QString Monkey::pause()
{
    // The user looks away for a moment, and the peers' traffic flows.
    const int ms = input.below(25);
    QTest::qWait(ms);
    return QStringLiteral("pause %1 ms").arg(ms);
}

void Monkey::closeItsWindows()
{
    for (const QString &name : {QStringLiteral("frmAbout"), QStringLiteral("helpViewer")})
        for (QWidget *window : visibleTopLevels(name))
            window->close();
}
