// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TransmitDataEdit.h"
#include "WrappedTextAccessible.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>

namespace {

// Laid out while the window is idle, this many characters a turn.
constexpr qsizetype layoutSlice = 256 * 1024;

// What a screen reader is told about the box: a text it can also change.
class AccessibleTransmitDataEdit
    : public WrappedTextAccessible
    , public QAccessibleEditableTextInterface
{
public:
    explicit AccessibleTransmitDataEdit(TransmitDataEdit *box)
        : WrappedTextAccessible(box)
    {}

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
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
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
    return toUnits(caretX(line, offset) - margin);
}

qsizetype TransmitDataEdit::offsetAtX(int line, qint64 target) const
{
    return offsetAtLineX(line, margin + toPixels(target), false);
}

QRect TransmitDataEdit::characterRect(qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, text().size());
    const int line = lineOf(offset);
    const auto [left, right] = characterEdges(line, offset);
    const int y = margin + (line - verticalScrollBar()->value()) * lineHeight;
    const int width = offset < text().size() ? std::max(1, qRound(right) - qRound(left)) : 1;
    return QRect(viewport()->mapTo(this, QPoint(qRound(left), y)), QSize(width, lineHeight));
}

qsizetype TransmitDataEdit::offsetAtPoint(const QPoint &position)
{
    const QPoint inView = viewport()->mapFrom(this, position);
    return offsetAtLineX(lineAt(inView.y()), inView.x(), false);
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
    const bool caretHere = cursor >= from && cursor <= to && lineOf(cursor) == line;
    // Text an input method is composing is drawn in line at the caret.
    drawTextLine(painter, line, y, caretHere ? cursor : -1, hasFocus() && (caretShown || !preedit.isEmpty()), preedit,
                 preeditCursor);
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

void TransmitDataEdit::placeCaret(qsizetype offset, bool keepAnchor)
{
    moveCursor(offset, keepAnchor);
    goalX = -1;
}

void TransmitDataEdit::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        const QString selection = QGuiApplication::clipboard()->text(QClipboard::Selection);
        const qsizetype offset = offsetAtPoint(viewport()->mapTo(this, event->position().toPoint()));
        setSelection(offset, offset);
        if (!selection.isEmpty())
            insertPlainText(selection);
        event->accept();
        return;
    }
    WrappedTextArea::mousePressEvent(event);
}

// --- Drag and drop ------------------------------------------------------------------

void TransmitDataEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TransmitDataEdit::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    dropOffset = offsetAtViewport(event->position().toPoint());
    viewport()->update();
    event->acceptProposedAction();
}

void TransmitDataEdit::dragLeaveEvent(QDragLeaveEvent *event)
{
    dropOffset = -1;
    viewport()->update();
    event->accept();
}

void TransmitDataEdit::dropEvent(QDropEvent *event)
{
    dropOffset = -1;
    viewport()->update();
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    const qsizetype at = offsetAtViewport(event->position().toPoint());
    // A selection dragged within the box moves, unless Ctrl asks for a copy.
    if (isOwnSelection(event->mimeData()) && hasSelection() && !event->modifiers().testFlag(Qt::ControlModifier))
        moveSelectionTo(at);
    else
        replaceRange(at, at, event->mimeData()->text());
    event->acceptProposedAction();
}

// The selection and the text between it and where it goes change places in
// one replacement, so that one undo puts it back.
void TransmitDataEdit::moveSelectionTo(qsizetype at)
{
    const qsizetype from = selectionStart();
    const qsizetype to = selectionEnd();
    if (at >= from && at <= to)
        return;
    const QString moved = selectedText();
    if (at > to) {
        replaceRange(from, at, text().mid(to, at - to) + moved);
        setSelection(at, at);
    } else {
        replaceRange(at, to, moved + text().mid(at, from - at));
        setSelection(at + moved.size(), at + moved.size());
    }
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
    add(tr("Delete"), "edit-delete", QKeySequence::UnknownKey, hasSelection(), [this] { editing().removeSelection(); });
    menu->addSeparator();
    add(tr("Select All"), "select-all", QKeySequence::SelectAll, hasText, [this] { selectAll(); });
    return menu;
}
