// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TransmitDataEdit.h"
#include "WrappedTextAccessible.h"

#include <QAccessible>
#include <QAction>
#include <QGuiApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>

namespace {

// Laid out while the window is idle, this many characters a turn.
constexpr qsizetype layoutSlice = 256 * 1024;

// What a screen reader is told about the box: a text it can also change.
class AccessibleTransmitDataEdit : public WrappedTextAccessible, public QAccessibleEditableTextInterface
{
public:
    explicit AccessibleTransmitDataEdit(TransmitDataEdit *box) : WrappedTextAccessible(box) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return WrappedTextAccessible::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = WrappedTextAccessible::state();
        state.editable = true;
        return state;
    }

    QRect characterRect(int offset) const override
    {
        const QRect local = box()->characterRect(offset);
        return QRect(box()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return int(box()->offsetAtPoint(box()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int startIndex, int) override { box()->setSelection(startIndex, startIndex); }

    void deleteText(int startOffset, int endOffset) override { box()->replaceRange(startOffset, endOffset, QString()); }
    void insertText(int offset, const QString &text) override { box()->replaceRange(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        box()->replaceRange(startOffset, endOffset, text);
    }

private:
    TransmitDataEdit *box() const { return static_cast<TransmitDataEdit *>(widget()); }
};

QAccessibleInterface *accessibleTransmitDataEdit(const QString &className, QObject *object)
{
    if (className == QLatin1String("TransmitDataEdit") && object && object->isWidgetType())
        return new AccessibleTransmitDataEdit(static_cast<TransmitDataEdit *>(object));
    return nullptr;
}

} // namespace

TransmitDataEdit::TransmitDataEdit(QWidget *parent)
    : WrappedTextArea(parent)
{
    static const bool accessibilityInstalled = [] {
        QAccessible::installFactory(accessibleTransmitDataEdit);
        return true;
    }();
    Q_UNUSED(accessibilityInstalled);
    setAttribute(Qt::WA_InputMethodEnabled);
    wrap.followText(model.text());
    connect(&model, &TextEditModel::textReset, this, &TransmitDataEdit::textReset);
    connect(&model, &TextEditModel::contentsChange, this, &TransmitDataEdit::contentsChange);
    connect(&model, &TextEditModel::cursorChanged, this, [this] {
        followModelCursor();
        goalX = -1;
        cursorMoved();
    });
}

// A carriage return that comes in pasted or input text, alone or before a
// line feed, is a line break: the box holds line breaks as line feeds only,
// and the send turns each into CR LF.
QString TransmitDataEdit::withLineFeeds(QString text)
{
    if (!text.contains(u'\r'))
        return text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

void TransmitDataEdit::setPlainText(const QString &newText)
{
    preedit.clear();
    model.setText(newText);
}

void TransmitDataEdit::setSelection(qsizetype from, qsizetype to)
{
    model.setSelection(from, to);
    ensureCursorVisible();
}

void TransmitDataEdit::cut()
{
    if (!editing().hasSelection())
        return;
    copy();
    model.removeSelection();
}

void TransmitDataEdit::paste()
{
    const QString pasted = QGuiApplication::clipboard()->text();
    if (!pasted.isEmpty())
        insertPlainText(pasted);
}

void TransmitDataEdit::insertPlainText(const QString &inserted)
{
    editing().insert(withLineFeeds(inserted));
}

void TransmitDataEdit::replaceRange(qsizetype from, qsizetype to, const QString &inserted)
{
    editing().replace(from, to, withLineFeeds(inserted));
}

void TransmitDataEdit::undo()
{
    editing().undo();
}

void TransmitDataEdit::redo()
{
    editing().redo();
}

// --- Following the model -------------------------------------------------------

TextEditModel &TransmitDataEdit::editing()
{
    model.setSelection(anchor, cursor);
    return model;
}

void TransmitDataEdit::followModelCursor()
{
    cursor = model.cursor();
    anchor = model.anchor();
}

void TransmitDataEdit::textReset()
{
    followModelCursor();
    wrap.followText(model.text());
    invalidateLayout();
    verticalScrollBar()->setValue(0);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, text());
        QAccessible::updateAccessibility(&changed);
    }
    emit textChanged();
}

void TransmitDataEdit::contentsChange(qsizetype position, const QString &removed, const QString &inserted)
{
    followModelCursor();
    wrap.textChanged(position);
    invalidateLayout();
    if (QAccessible::isActive()) {
        if (!removed.isEmpty()) {
            QAccessibleTextRemoveEvent removal(this, int(position), removed);
            QAccessible::updateAccessibility(&removal);
        }
        if (!inserted.isEmpty()) {
            QAccessibleTextInsertEvent insertion(this, int(position), inserted);
            QAccessible::updateAccessibility(&insertion);
        }
    }
    emit textChanged();
}

void TransmitDataEdit::moveCursor(qsizetype to, bool keepAnchor)
{
    model.moveCursor(to, keepAnchor);
    if (keepAnchor)
        offerSelection();
}

void TransmitDataEdit::cursorMoved()
{
    caretShown = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        caretTimer.start(flash / 2, this);
    else
        caretTimer.stop();
    ensureCursorVisible();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, int(cursor));
        QAccessible::updateAccessibility(&moved);
    }
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
}

// --- Layout ------------------------------------------------------------------

void TransmitDataEdit::invalidateLayout()
{
    scheduleIdleLayout();
    viewport()->update();
}

void TransmitDataEdit::ensureLayout()
{
    if (wrap.setWidth(wrapWidth()))
        scheduleIdleLayout();
}

void TransmitDataEdit::scheduleIdleLayout()
{
    if (!layoutTimer.isActive())
        layoutTimer.start(0, this);
}

void TransmitDataEdit::layoutAdvanced()
{
    if (wrap.isComplete())
        layoutTimer.stop();
    updateScrollRange();
}

void TransmitDataEdit::ensureLinesThrough(int line)
{
    ensureLayout();
    wrap.layOutThroughLine(line);
    layoutAdvanced();
}

int TransmitDataEdit::lineOf(qsizetype offset)
{
    ensureLayout();
    const int line = wrap.lineOf(offset);
    layoutAdvanced();
    return line;
}

qint64 TransmitDataEdit::xOf(int line, qsizetype offset) const
{
    // Past the right edge nothing is seen; hanging spaces stop there.
    const qint64 visible = visibleWidth();
    qint64 x = 0;
    for (qsizetype at = wrap.lineStart(line); at < offset && x <= visible;)
        x += wrap.advanceAt(at);
    return std::min(x, visible);
}

qsizetype TransmitDataEdit::offsetAtX(int line, qint64 target) const
{
    qsizetype end = wrap.lineEnd(line);
    // The caret cannot stand at the very end of a wrapped line: that offset
    // is the start of the next one.
    if (wrap.isWrapped(line) && end > wrap.lineStart(line))
        end = previousCharacter(end);
    return nearestOffset(wrap.lineStart(line), end, target);
}

QRect TransmitDataEdit::characterRect(qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, text().size());
    const int line = lineOf(offset);
    const int x = margin + qRound(toPixels(xOf(line, offset)));
    const int y = margin + (line - verticalScrollBar()->value()) * lineHeight;
    qsizetype next = offset;
    const int width = offset < text().size() ? qMax(1, qRound(toPixels(wrap.advanceAt(next)))) : 1;
    return QRect(viewport()->mapTo(this, QPoint(x, y)), QSize(width, lineHeight));
}

qsizetype TransmitDataEdit::offsetAtPoint(const QPoint &position)
{
    const QPoint inView = viewport()->mapFrom(this, position);
    return offsetAtX(lineAt(inView.y()), qint64(inView.x() - margin) * unitsPerPixel);
}

void TransmitDataEdit::ensureCursorVisible()
{
    if (!isVisible())
        return;
    scrollToLine(lineOf(cursor));
}

void TransmitDataEdit::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == layoutTimer.timerId()) {
        // A slice at a time, so the window stays quick to answer whatever
        // the size of the text.
        ensureLayout();
        wrap.layOutSlice(layoutSlice);
        layoutAdvanced();
    } else if (event->timerId() == caretTimer.timerId()) {
        caretShown = !caretShown;
        viewport()->update();
    } else {
        WrappedTextArea::timerEvent(event);
    }
}

// --- Painting ----------------------------------------------------------------

void TransmitDataEdit::drawLine(QPainter &painter, int line, int y)
{
    const qsizetype from = wrap.lineStart(line);
    const qsizetype to = wrap.lineEnd(line);
    const qsizetype selectedFrom = std::clamp(selectionStart(), from, to);
    const qsizetype selectedTo = std::clamp(selectionEnd(), from, to);
    const bool caretHere = cursor >= from && cursor <= to && lineOf(cursor) == line;
    const qsizetype caretAt = caretHere ? cursor : to;

    // Runs cut at the selection's ends and at the caret, where text that
    // an input method is composing is drawn in line, underlined.
    qsizetype cuts[] = {from, selectedFrom, selectedTo, caretAt, to};
    std::sort(std::begin(cuts), std::end(cuts));
    qint64 x = 0;
    qint64 caretX = -1;
    for (int run = 0; run < 4; ++run) {
        const qsizetype runFrom = cuts[run];
        if (caretHere && runFrom == caretAt && caretX < 0) {
            if (!preedit.isEmpty()) {
                QFont underlined = painter.font();
                underlined.setUnderline(true);
                painter.save();
                painter.setFont(underlined);
                painter.setPen(palette().color(QPalette::Text));
                painter.drawText(QPointF(margin + toPixels(x), y + ascent), preedit);
                painter.restore();
                caretX = x + toUnits(QFontMetricsF(font()).horizontalAdvance(preedit.left(preeditCursor)));
                x += toUnits(QFontMetricsF(font()).horizontalAdvance(preedit));
            } else {
                caretX = x;
            }
        }
        x = drawRun(painter, runFrom, cuts[run + 1], x, y, runFrom >= selectedFrom && runFrom < selectedTo);
        if (x > visibleWidth())
            break;
    }
    if (caretHere && caretX < 0)
        caretX = x;
    drawSelectedBreak(painter, to, x, y);
    if (caretHere && hasFocus() && (caretShown || !preedit.isEmpty())) {
        const qreal caretPixels = std::min<qreal>(margin + toPixels(caretX), viewport()->width() - 1);
        painter.fillRect(QRectF(caretPixels, y, 1, lineHeight), palette().color(QPalette::Text));
    }
}

void TransmitDataEdit::focusInEvent(QFocusEvent *event)
{
    cursorMoved();
    WrappedTextArea::focusInEvent(event);
}

void TransmitDataEdit::focusOutEvent(QFocusEvent *event)
{
    caretTimer.stop();
    viewport()->update();
    WrappedTextArea::focusOutEvent(event);
}

// --- The mouse and the context menu -------------------------------------------

void TransmitDataEdit::dragTo(const QPoint &position)
{
    WrappedTextArea::dragTo(position);
    model.setSelection(anchor, cursor);
}

void TransmitDataEdit::mousePressEvent(QMouseEvent *event)
{
    const qsizetype offset = offsetAtPoint(viewport()->mapTo(this, event->position().toPoint()));
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        const QString selection = QGuiApplication::clipboard()->text(QClipboard::Selection);
        setSelection(offset, offset);
        if (!selection.isEmpty())
            insertPlainText(selection);
        event->accept();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        WrappedTextArea::mousePressEvent(event);
        return;
    }
    moveCursor(offset, event->modifiers().testFlag(Qt::ShiftModifier));
    goalX = -1;
    dragging = true;
    event->accept();
}

QMenu *TransmitDataEdit::createContextMenu()
{
    auto *menu = new QMenu(this);
    const auto add = [this, menu](const QString &caption, const char *name, QKeySequence::StandardKey keys,
                                  bool enabled, auto slot) {
        QAction *action = menu->addAction(caption);
        connect(action, &QAction::triggered, this, slot);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setEnabled(enabled);
    };
    const bool hasText = !text().isEmpty();
    const bool canPaste = !QGuiApplication::clipboard()->text().isEmpty();
    add(tr("&Undo"), "edit-undo", QKeySequence::Undo, isUndoAvailable(), [this] { undo(); });
    add(tr("&Redo"), "edit-redo", QKeySequence::Redo, isRedoAvailable(), [this] { redo(); });
    menu->addSeparator();
    add(tr("Cu&t"), "edit-cut", QKeySequence::Cut, hasSelection(), [this] { cut(); });
    add(tr("&Copy"), "edit-copy", QKeySequence::Copy, hasSelection(), [this] { copy(); });
    add(tr("&Paste"), "edit-paste", QKeySequence::Paste, canPaste, [this] { paste(); });
    add(tr("Delete"), "edit-delete", QKeySequence::UnknownKey, hasSelection(),
        [this] { editing().removeSelection(); });
    menu->addSeparator();
    add(tr("Select All"), "select-all", QKeySequence::SelectAll, hasText, [this] { selectAll(); });
    return menu;
}
