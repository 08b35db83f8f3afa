// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TransmitDataEdit.h"
#include "WrappedTextAccessible.h"

#include <QAccessible>
#include <QAction>
#include <QGuiApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>
#include <limits>

namespace {

// Laid out while the window is idle, this many characters a turn.
constexpr qsizetype layoutSlice = 256 * 1024;

// Typing merges into one undo step until a step grows this long.
constexpr qsizetype typingStepLimit = 256;

// The input method sees this much text either side of the caret: enough for
// any word, and a long text is never copied whole on every key.
constexpr qsizetype surroundingReach = 1024;

// A carriage return that comes in pasted or input text, alone or before a
// line feed, is a line break: the box holds line breaks as line feeds only,
// and the send turns each into CR LF.
QString withLineFeeds(QString text)
{
    if (!text.contains(u'\r'))
        return text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// What typed key text a text box takes: printable characters, format
// characters and private-use ones, a surrogate pair; never the text that
// comes with a Ctrl chord or a bare control character.
bool isTypedText(const QKeyEvent *event)
{
    const QString typed = event->text();
    if (typed.isEmpty())
        return false;
    const QChar first = typed.front();
    if (first.category() == QChar::Other_Format)
        return true;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    return first.isPrint() || first.category() == QChar::Other_PrivateUse
        || (first.isHighSurrogate() && typed.size() > 1 && typed.at(1).isLowSurrogate());
}

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
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

void TransmitDataEdit::setPlainText(const QString &newText)
{
    undoStack.clear();
    redoStack.clear();
    preedit.clear();
    wrap.setText(newText);
    cursor = anchor = 0;
    goalX = -1;
    invalidateLayout();
    verticalScrollBar()->setValue(0);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, text());
        QAccessible::updateAccessibility(&changed);
    }
    emit textChanged();
    cursorMoved();
}

void TransmitDataEdit::setSelection(qsizetype from, qsizetype to)
{
    anchor = std::clamp<qsizetype>(from, 0, text().size());
    cursor = std::clamp<qsizetype>(to, 0, text().size());
    goalX = -1;
    cursorMoved();
}

void TransmitDataEdit::cut()
{
    if (!hasSelection())
        return;
    copy();
    edit(selectionStart(), selectionEnd(), QString(), false);
}

void TransmitDataEdit::paste()
{
    const QString pasted = QGuiApplication::clipboard()->text();
    if (!pasted.isEmpty())
        insertPlainText(pasted);
}

void TransmitDataEdit::insertPlainText(const QString &inserted)
{
    edit(selectionStart(), selectionEnd(), withLineFeeds(inserted), false);
}

void TransmitDataEdit::replaceRange(qsizetype from, qsizetype to, const QString &inserted)
{
    from = std::clamp<qsizetype>(from, 0, text().size());
    to = std::clamp<qsizetype>(to, from, text().size());
    edit(from, to, withLineFeeds(inserted), false);
}

// --- Editing -----------------------------------------------------------------

void TransmitDataEdit::applyEdit(qsizetype position, qsizetype removedLength, const QString &inserted)
{
    const bool telling = QAccessible::isActive();
    const QString removedText = telling ? text().mid(position, removedLength) : QString();
    wrap.replace(position, removedLength, inserted);
    invalidateLayout();
    if (telling) {
        if (removedLength > 0) {
            QAccessibleTextRemoveEvent removed(this, int(position), removedText);
            QAccessible::updateAccessibility(&removed);
        }
        if (!inserted.isEmpty()) {
            QAccessibleTextInsertEvent added(this, int(position), inserted);
            QAccessible::updateAccessibility(&added);
        }
    }
    emit textChanged();
}

void TransmitDataEdit::edit(qsizetype from, qsizetype to, const QString &inserted, bool typing)
{
    if (from == to && inserted.isEmpty())
        return;
    redoStack.clear();
    Edit *last = undoStack.empty() ? nullptr : &undoStack.back();
    // Characters typed one after another are undone together, as a word is.
    if (typing && from == to && last && last->typing && last->removed.isEmpty()
        && last->position + last->inserted.size() == from && last->inserted.size() < typingStepLimit) {
        last->inserted += inserted;
    } else {
        undoStack.push_back({from, text().mid(from, to - from), inserted, cursor, anchor, typing});
    }
    applyEdit(from, to - from, inserted);
    cursor = anchor = from + inserted.size();
    goalX = -1;
    cursorMoved();
}

void TransmitDataEdit::undo()
{
    replay(undoStack, redoStack);
}

void TransmitDataEdit::redo()
{
    replay(redoStack, undoStack);
}

// A step taken off one stack is applied with its texts changing places, and
// kept that way on the other, so undoing and redoing are the same move.
void TransmitDataEdit::replay(std::vector<Edit> &from, std::vector<Edit> &to)
{
    if (from.empty())
        return;
    Edit step = std::move(from.back());
    from.pop_back();
    std::swap(step.removed, step.inserted);
    // Redone, a step leaves the caret after its text; undone again, it puts
    // the caret back where the redo found it.
    const bool undoing = &from == &undoStack;
    const qsizetype cursorThen = undoing ? step.position + step.removed.size() : cursor;
    const qsizetype anchorThen = undoing ? cursorThen : anchor;
    applyEdit(step.position, step.removed.size(), step.inserted);
    cursor = std::exchange(step.cursorBefore, cursorThen);
    anchor = std::exchange(step.anchorBefore, anchorThen);
    step.typing = false;
    to.push_back(std::move(step));
    goalX = -1;
    cursorMoved();
}

qsizetype TransmitDataEdit::previousCharacter(qsizetype offset) const
{
    if (offset <= 0)
        return 0;
    --offset;
    // A surrogate pair is one character to the caret.
    if (offset > 0 && text().at(offset).isLowSurrogate() && text().at(offset - 1).isHighSurrogate())
        --offset;
    return offset;
}

qsizetype TransmitDataEdit::nextCharacter(qsizetype offset) const
{
    if (offset >= text().size())
        return text().size();
    ++offset;
    if (offset < text().size() && text().at(offset).isLowSurrogate() && text().at(offset - 1).isHighSurrogate())
        ++offset;
    return offset;
}

// A word runs between spaces and line breaks: in Decimal and Hex, one
// byte's value.
qsizetype TransmitDataEdit::wordStartBefore(qsizetype offset) const
{
    while (offset > 0 && separatesWords(text().at(offset - 1)))
        --offset;
    while (offset > 0 && !separatesWords(text().at(offset - 1)))
        --offset;
    return offset;
}

qsizetype TransmitDataEdit::wordEndAfter(qsizetype offset) const
{
    while (offset < text().size() && separatesWords(text().at(offset)))
        ++offset;
    while (offset < text().size() && !separatesWords(text().at(offset)))
        ++offset;
    return offset;
}

void TransmitDataEdit::moveCursor(qsizetype to, bool keepAnchor)
{
    cursor = std::clamp<qsizetype>(to, 0, text().size());
    if (!keepAnchor)
        anchor = cursor;
    cursorMoved();
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

bool TransmitDataEdit::handleEditingKey(QKeyEvent *event)
{
    if (event == QKeySequence::Undo) {
        undo();
    } else if (event == QKeySequence::Redo) {
        redo();
    } else if (event == QKeySequence::Cut) {
        cut();
    } else if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::Paste) {
        paste();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event == QKeySequence::InsertParagraphSeparator || event == QKeySequence::InsertLineSeparator
               || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter and Shift+Enter alike make a line break, which leaves as CR LF.
        edit(selectionStart(), selectionEnd(), QStringLiteral("\n"), false);
    } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
        edit(hasSelection() ? selectionStart() : previousCharacter(cursor), selectionEnd(), QString(), false);
    } else if (event == QKeySequence::Delete) {
        edit(selectionStart(), hasSelection() ? selectionEnd() : nextCharacter(cursor), QString(), false);
    } else if (event == QKeySequence::DeleteStartOfWord) {
        edit(hasSelection() ? selectionStart() : wordStartBefore(cursor), selectionEnd(), QString(), false);
    } else if (event == QKeySequence::DeleteEndOfWord) {
        edit(selectionStart(), hasSelection() ? selectionEnd() : wordEndAfter(cursor), QString(), false);
    } else if (isTypedText(event)) {
        edit(selectionStart(), selectionEnd(), withLineFeeds(event->text()), !hasSelection());
    } else {
        return false;
    }
    return true;
}

bool TransmitDataEdit::handleMovementKey(QKeyEvent *event)
{
    struct Movement
    {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
    };
    static const Movement movements[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument},
        {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock},
        {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock},
    };
    const Movement *found = nullptr;
    bool selecting = false;
    for (const Movement &movement : movements) {
        if (event == movement.move || event == movement.select) {
            found = &movement;
            selecting = event == movement.select;
            break;
        }
    }
    if (!found)
        return false;

    const int line = lineOf(cursor);
    const auto verticalTo = [&](int targetLine) {
        if (goalX < 0)
            goalX = xOf(line, cursor);
        const qint64 keptX = goalX;
        ensureLinesThrough(targetLine);
        targetLine = std::clamp(targetLine, 0, wrap.lineCount() - 1);
        moveCursor(offsetAtX(targetLine, keptX), selecting);
        goalX = keptX;
    };
    switch (found->move) {
    case QKeySequence::MoveToNextChar:
        moveCursor(!selecting && hasSelection() ? selectionEnd() : nextCharacter(cursor), selecting);
        break;
    case QKeySequence::MoveToPreviousChar:
        moveCursor(!selecting && hasSelection() ? selectionStart() : previousCharacter(cursor), selecting);
        break;
    case QKeySequence::MoveToNextWord:
        moveCursor(wordEndAfter(cursor), selecting);
        break;
    case QKeySequence::MoveToPreviousWord:
        moveCursor(wordStartBefore(cursor), selecting);
        break;
    case QKeySequence::MoveToStartOfLine:
        moveCursor(wrap.lineStart(line), selecting);
        break;
    case QKeySequence::MoveToEndOfLine:
        moveCursor(offsetAtX(line, std::numeric_limits<qint64>::max()), selecting);
        break;
    case QKeySequence::MoveToStartOfBlock:
        moveCursor(text().lastIndexOf(u'\n', cursor - 1) + 1, selecting);
        break;
    case QKeySequence::MoveToEndOfBlock: {
        const qsizetype end = text().indexOf(u'\n', cursor);
        moveCursor(end < 0 ? text().size() : end, selecting);
        break;
    }
    case QKeySequence::MoveToNextLine:
        verticalTo(line + 1 < wrap.lineCount() || !wrap.isComplete() ? line + 1 : line);
        if (line + 1 >= wrap.lineCount())
            moveCursor(text().size(), selecting);
        break;
    case QKeySequence::MoveToPreviousLine:
        if (line == 0)
            moveCursor(0, selecting);
        else
            verticalTo(line - 1);
        break;
    case QKeySequence::MoveToNextPage:
        verticalTo(line + fullLinesInView());
        break;
    case QKeySequence::MoveToPreviousPage:
        verticalTo(std::max(0, line - fullLinesInView()));
        break;
    case QKeySequence::MoveToStartOfDocument:
        moveCursor(0, selecting);
        break;
    case QKeySequence::MoveToEndOfDocument:
        moveCursor(text().size(), selecting);
        break;
    default:
        return false;
    }
    return true;
}

bool TransmitDataEdit::event(QEvent *event)
{
    // Editing keys and typed text belong to the box while it has the focus,
    // even if a window action claims the same keys.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        static const QKeySequence::StandardKey owned[] = {
            QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Cut, QKeySequence::Copy,
            QKeySequence::Paste, QKeySequence::SelectAll, QKeySequence::Delete,
            QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord,
            QKeySequence::MoveToStartOfLine, QKeySequence::MoveToEndOfLine,
            QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument,
            QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord,
        };
        const bool isOwned = std::any_of(std::begin(owned), std::end(owned),
                                         [key](QKeySequence::StandardKey standard) { return key == standard; });
        if (isOwned || isTypedText(key)) {
            event->accept();
            return true;
        }
    }
    return WrappedTextArea::event(event);
}

void TransmitDataEdit::keyPressEvent(QKeyEvent *event)
{
    if (handleEditingKey(event) || handleMovementKey(event)) {
        event->accept();
        return;
    }
    WrappedTextArea::keyPressEvent(event);
}

void TransmitDataEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const QString committed = event->commitString();
    if (!committed.isEmpty() || event->replacementLength() > 0) {
        qsizetype from = selectionStart();
        qsizetype to = selectionEnd();
        if (event->replacementLength() > 0 || event->replacementStart() != 0) {
            from = std::clamp<qsizetype>(cursor + event->replacementStart(), 0, text().size());
            to = std::clamp<qsizetype>(from + event->replacementLength(), from, text().size());
        }
        edit(from, to, withLineFeeds(committed), from == to);
    }
    for (const QInputMethodEvent::Attribute &attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Selection && event->preeditString().isEmpty()) {
            const qsizetype base = cursor;
            setSelection(base + attribute.start, base + attribute.start + attribute.length);
        } else if (attribute.type == QInputMethodEvent::Cursor) {
            preeditCursor = attribute.start;
        }
    }
    preedit = event->preeditString();
    viewport()->update();
    event->accept();
}

QVariant TransmitDataEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // The surrounding text is a window around the caret, and positions are
    // counted within it.
    const qsizetype windowStart = std::max<qsizetype>(0, cursor - surroundingReach);
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine | Qt::ImhNoPredictiveText);
    case Qt::ImCursorRectangle:
        return const_cast<TransmitDataEdit *>(this)->characterRect(cursor);
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return int(cursor - windowStart);
    case Qt::ImAnchorPosition:
        return int(std::clamp<qsizetype>(anchor - windowStart, 0, 2 * surroundingReach));
    case Qt::ImSurroundingText:
        return text().mid(windowStart, std::min<qsizetype>(cursor + surroundingReach, text().size()) - windowStart);
    case Qt::ImCurrentSelection:
        return selectedText();
    case Qt::ImMaximumTextLength:
        return QVariant();
    case Qt::ImTextBeforeCursor:
        return text().mid(windowStart, cursor - windowStart);
    case Qt::ImTextAfterCursor:
        return text().mid(cursor, surroundingReach);
    default:
        return WrappedTextArea::inputMethodQuery(query);
    }
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
    drawTextLine(painter, line, y, caretHere ? cursor : -1, hasFocus() && (caretShown || !preedit.isEmpty()),
                 preedit, preeditCursor);
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
    goalX = -1;
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
    add(tr("Delete"), "edit-delete", QKeySequence::UnknownKey, hasSelection(),
        [this] { edit(selectionStart(), selectionEnd(), QString(), false); });
    menu->addSeparator();
    add(tr("Select All"), "select-all", QKeySequence::SelectAll, hasText, [this] { selectAll(); });
    return menu;
}
