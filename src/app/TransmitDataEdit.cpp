// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TransmitDataEdit.h"

#include <QAccessible>
#include <QAction>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The same room around the text as a text editor box leaves.
constexpr int margin = 4;

// Laid out while the window is idle, this many characters a turn.
constexpr qsizetype layoutSlice = 256 * 1024;

// Font measures come in pixels; the box sums them in 1/64 pixel.
constexpr int unitsPerPixel = 64;

// Typing merges into one undo step until a step grows this long.
constexpr qsizetype typingStepLimit = 256;

// The input method sees this much text either side of the caret: enough for
// any word, and a long text is never copied whole on every key.
constexpr qsizetype surroundingReach = 1024;

int toUnits(qreal pixels)
{
    return qRound(pixels * unitsPerPixel);
}

qreal toPixels(qint64 units)
{
    return qreal(units) / unitsPerPixel;
}

bool separates(QChar character)
{
    return character == u' ' || character == u'\n';
}

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

// What a screen reader is told about the box: an editable multi-line text
// it can read, select in and change.
class AccessibleTransmitDataEdit : public QAccessibleWidget,
                                   public QAccessibleTextInterface,
                                   public QAccessibleEditableTextInterface
{
public:
    explicit AccessibleTransmitDataEdit(QWidget *widget)
        : QAccessibleWidget(widget, QAccessible::EditableText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return box()->toPlainText();
        return QAccessibleWidget::text(kind);
    }

    void selection(int index, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (index == 0 && box()->cursorPosition() != box()->anchorPosition()) {
            *startOffset = std::min(box()->cursorPosition(), box()->anchorPosition());
            *endOffset = std::max(box()->cursorPosition(), box()->anchorPosition());
        }
    }
    int selectionCount() const override { return box()->cursorPosition() != box()->anchorPosition() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { box()->setSelection(startOffset, endOffset); }
    void removeSelection(int) override { box()->setSelection(box()->cursorPosition(), box()->cursorPosition()); }
    void setSelection(int, int startOffset, int endOffset) override { box()->setSelection(startOffset, endOffset); }
    int cursorPosition() const override { return box()->cursorPosition(); }
    void setCursorPosition(int position) override { box()->setSelection(position, position); }
    QString text(int startOffset, int endOffset) const override
    {
        return box()->toPlainText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(box()->toPlainText().size()); }
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
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = offset;
        *endOffset = offset;
        return QString();
    }

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
        return new AccessibleTransmitDataEdit(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

TransmitDataEdit::TransmitDataEdit(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    static const bool accessibilityInstalled = [] {
        QAccessible::installFactory(accessibleTransmitDataEdit);
        return true;
    }();
    Q_UNUSED(accessibilityInstalled);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Long lines wrap at the box's width, so there is never anything to the side.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
}

TransmitDataEdit::~TransmitDataEdit() = default;

void TransmitDataEdit::setPlainText(const QString &newText)
{
    undoStack.clear();
    redoStack.clear();
    preedit.clear();
    text = newText;
    cursor = anchor = 0;
    goalX = -1;
    invalidateLayoutFrom(0);
    verticalScrollBar()->setValue(0);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, text);
        QAccessible::updateAccessibility(&changed);
    }
    emit textChanged();
    cursorMoved();
}

QString TransmitDataEdit::selectedText() const
{
    return text.mid(selectionStart(), selectionEnd() - selectionStart());
}

void TransmitDataEdit::setSelection(qsizetype from, qsizetype to)
{
    anchor = std::clamp<qsizetype>(from, 0, text.size());
    cursor = std::clamp<qsizetype>(to, 0, text.size());
    goalX = -1;
    cursorMoved();
}

void TransmitDataEdit::selectAll()
{
    setSelection(0, text.size());
    offerSelection();
}

void TransmitDataEdit::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
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
    from = std::clamp<qsizetype>(from, 0, text.size());
    to = std::clamp<qsizetype>(to, from, text.size());
    edit(from, to, withLineFeeds(inserted), false);
}

void TransmitDataEdit::offerSelection() const
{
    // Where the desktop has a primary selection, a selection made in the box
    // can be pasted with the middle button, as from any text box.
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && hasSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

// --- Editing -----------------------------------------------------------------

void TransmitDataEdit::applyEdit(qsizetype position, qsizetype removedLength, const QString &inserted)
{
    const bool telling = QAccessible::isActive();
    const QString removedText = telling ? text.mid(position, removedLength) : QString();
    text.replace(position, removedLength, inserted);
    invalidateLayoutFrom(position);
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
        undoStack.push_back({from, text.mid(from, to - from), inserted, cursor, anchor, typing});
    }
    applyEdit(from, to - from, inserted);
    cursor = anchor = from + inserted.size();
    goalX = -1;
    cursorMoved();
}

void TransmitDataEdit::undo()
{
    if (undoStack.empty())
        return;
    Edit step = std::move(undoStack.back());
    undoStack.pop_back();
    applyEdit(step.position, step.inserted.size(), step.removed);
    const qsizetype cursorAfter = step.position + step.inserted.size();
    cursor = step.cursorBefore;
    anchor = step.anchorBefore;
    step.cursorBefore = step.anchorBefore = cursorAfter;
    redoStack.push_back(std::move(step));
    goalX = -1;
    cursorMoved();
}

void TransmitDataEdit::redo()
{
    if (redoStack.empty())
        return;
    Edit step = std::move(redoStack.back());
    redoStack.pop_back();
    const qsizetype cursorBefore = cursor;
    const qsizetype anchorBefore = anchor;
    applyEdit(step.position, step.removed.size(), step.inserted);
    cursor = anchor = step.position + step.inserted.size();
    step.cursorBefore = cursorBefore;
    step.anchorBefore = anchorBefore;
    step.typing = false;
    undoStack.push_back(std::move(step));
    goalX = -1;
    cursorMoved();
}

qsizetype TransmitDataEdit::previousCharacter(qsizetype offset) const
{
    if (offset <= 0)
        return 0;
    --offset;
    // A surrogate pair is one character to the caret.
    if (offset > 0 && text.at(offset).isLowSurrogate() && text.at(offset - 1).isHighSurrogate())
        --offset;
    return offset;
}

qsizetype TransmitDataEdit::nextCharacter(qsizetype offset) const
{
    if (offset >= text.size())
        return text.size();
    ++offset;
    if (offset < text.size() && text.at(offset).isLowSurrogate() && text.at(offset - 1).isHighSurrogate())
        ++offset;
    return offset;
}

// A word runs between spaces and line breaks: in Decimal and Hex, one
// byte's value.
qsizetype TransmitDataEdit::wordStartBefore(qsizetype offset) const
{
    while (offset > 0 && separates(text.at(offset - 1)))
        --offset;
    while (offset > 0 && !separates(text.at(offset - 1)))
        --offset;
    return offset;
}

qsizetype TransmitDataEdit::wordEndAfter(qsizetype offset) const
{
    while (offset < text.size() && separates(text.at(offset)))
        ++offset;
    while (offset < text.size() && !separates(text.at(offset)))
        ++offset;
    return offset;
}

void TransmitDataEdit::moveCursor(qsizetype to, bool keepAnchor)
{
    cursor = std::clamp<qsizetype>(to, 0, text.size());
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
        if (hasSelection())
            edit(selectionStart(), selectionEnd(), QString(), false);
        else
            edit(previousCharacter(cursor), cursor, QString(), false);
    } else if (event == QKeySequence::Delete) {
        if (hasSelection())
            edit(selectionStart(), selectionEnd(), QString(), false);
        else
            edit(cursor, nextCharacter(cursor), QString(), false);
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
        targetLine = std::clamp(targetLine, 0, lineCount() - 1);
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
        moveCursor(lineStart(line), selecting);
        break;
    case QKeySequence::MoveToEndOfLine:
        moveCursor(offsetAtX(line, std::numeric_limits<qint64>::max()), selecting);
        break;
    case QKeySequence::MoveToStartOfBlock:
        moveCursor(text.lastIndexOf(u'\n', cursor - 1) + 1, selecting);
        break;
    case QKeySequence::MoveToEndOfBlock: {
        const qsizetype end = text.indexOf(u'\n', cursor);
        moveCursor(end < 0 ? text.size() : end, selecting);
        break;
    }
    case QKeySequence::MoveToNextLine:
        verticalTo(line + 1 < lineCount() || !layoutComplete ? line + 1 : line);
        if (line + 1 >= lineCount())
            moveCursor(text.size(), selecting);
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
        moveCursor(text.size(), selecting);
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
    return QAbstractScrollArea::event(event);
}

void TransmitDataEdit::keyPressEvent(QKeyEvent *event)
{
    if (handleEditingKey(event) || handleMovementKey(event)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TransmitDataEdit::inputMethodEvent(QInputMethodEvent *event)
{
    const QString committed = event->commitString();
    if (!committed.isEmpty() || event->replacementLength() > 0) {
        qsizetype from = selectionStart();
        qsizetype to = selectionEnd();
        if (event->replacementLength() > 0 || event->replacementStart() != 0) {
            from = std::clamp<qsizetype>(cursor + event->replacementStart(), 0, text.size());
            to = std::clamp<qsizetype>(from + event->replacementLength(), from, text.size());
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
        return text.mid(windowStart, std::min<qsizetype>(cursor + surroundingReach, text.size()) - windowStart);
    case Qt::ImCurrentSelection:
        return selectedText();
    case Qt::ImMaximumTextLength:
        return QVariant();
    case Qt::ImTextBeforeCursor:
        return text.mid(windowStart, cursor - windowStart);
    case Qt::ImTextAfterCursor:
        return text.mid(cursor, surroundingReach);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// --- Layout ------------------------------------------------------------------

void TransmitDataEdit::measureLatin1()
{
    if (latin1Measured)
        return;
    const QFontMetricsF metrics(font());
    for (int code = 0; code < 256; ++code)
        latin1Advances[size_t(code)] = toUnits(metrics.horizontalAdvance(QChar(code)));
    lineHeight = std::max(1, qCeil(metrics.lineSpacing()));
    ascent = qCeil(metrics.ascent());
    latin1Measured = true;
}

int TransmitDataEdit::advance(char32_t character) const
{
    if (character < 256)
        return latin1Advances[character];
    const auto known = otherAdvances.constFind(character);
    if (known != otherAdvances.constEnd())
        return *known;
    // Measured as a string, so a character the font lacks takes the width
    // of the font that draws it.
    const int units = toUnits(QFontMetricsF(font()).horizontalAdvance(QString::fromUcs4(&character, 1)));
    otherAdvances.insert(character, units);
    return units;
}

int TransmitDataEdit::advanceAt(qsizetype &offset) const
{
    const char16_t unit = text.at(offset).unicode();
    ++offset;
    if (QChar::isHighSurrogate(unit) && offset < text.size() && QChar::isLowSurrogate(text.at(offset).unicode())) {
        const char32_t character = QChar::surrogateToUcs4(unit, text.at(offset).unicode());
        ++offset;
        return advance(character);
    }
    return advance(unit);
}

int TransmitDataEdit::wrapWidth() const
{
    return std::max(1, viewport()->width() - 2 * margin) * unitsPerPixel;
}

int TransmitDataEdit::fullLinesInView() const
{
    return std::max(1, (viewport()->height() - margin) / lineHeight);
}

void TransmitDataEdit::invalidateLayoutFrom(qsizetype offset)
{
    // Lines before the one holding the change stay as they are; the line
    // before it is laid out again too, since a shorter first word may now
    // fit at its end. A change beyond where the layout has reached leaves
    // it as it is.
    if (layoutComplete || offset <= progress.next) {
        const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
        const auto kept = std::max<std::ptrdiff_t>(1, (after - lineStarts.begin()) - 1);
        lineStarts.resize(size_t(kept));
        progress = {lineStarts.back(), -1, 0, 0};
    }
    layoutComplete = false;
    scheduleIdleLayout();
    viewport()->update();
}

void TransmitDataEdit::ensureLayout()
{
    const int width = wrapWidth();
    if (laidOutWidth == width)
        return;
    measureLatin1();
    lineStarts.assign(1, 0);
    progress = {};
    layoutComplete = false;
    laidOutWidth = width;
    scheduleIdleLayout();
}

void TransmitDataEdit::scheduleIdleLayout()
{
    if (!layoutTimer.isActive())
        layoutTimer.start(0, this);
}

void TransmitDataEdit::ensureLinesThrough(int line)
{
    ensureLayout();
    if (!layoutComplete && lineCount() <= line + 1)
        layOutMore(line, std::numeric_limits<qsizetype>::max(), std::numeric_limits<qsizetype>::max());
    updateScrollRange();
}

void TransmitDataEdit::ensureLaidOutThrough(qsizetype offset)
{
    ensureLayout();
    if (!layoutComplete && lineStarts.back() <= offset)
        layOutMore(std::numeric_limits<int>::max() - 2, offset, std::numeric_limits<qsizetype>::max());
    updateScrollRange();
}

// Greedy: a line takes characters while they fit, then breaks after its
// last space, or before the character that overflows when it has none, so
// a token is cut only when it is wider than the box. Spaces never start a
// new line; they hang past the edge. The work is linear in what is laid out,
// and it stops as soon as the lines asked for are known: through a line, or
// through the line that holds an offset.
void TransmitDataEdit::layOutMore(int throughLine, qsizetype throughOffset, qsizetype characterBudget)
{
    if (layoutComplete)
        return;
    const int limit = laidOutWidth;
    const auto *const chars = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    const qsizetype stop = size - progress.next > characterBudget ? progress.next + characterBudget : size;
    const size_t enough = size_t(throughLine) + 2;

    qsizetype start = lineStarts.back();
    qsizetype breakAfter = progress.breakAfter;
    int x = progress.x;
    int xAtBreak = progress.xAtBreak;
    qsizetype i = progress.next;
    while (i < stop && lineStarts.size() < enough && start <= throughOffset) {
        const char16_t unit = chars[i];
        qsizetype next = i + 1;
        int width;
        if (unit < 256) {
            if (unit == u'\n') {
                start = next;
                lineStarts.push_back(start);
                x = 0;
                breakAfter = -1;
                i = next;
                continue;
            }
            width = latin1Advances[unit];
            if (unit == u' ') {
                x += width;
                breakAfter = next;
                xAtBreak = x;
                i = next;
                continue;
            }
        } else {
            char32_t character = unit;
            if (QChar::isHighSurrogate(unit) && next < size && QChar::isLowSurrogate(chars[next])) {
                character = QChar::surrogateToUcs4(unit, chars[next]);
                ++next;
            }
            width = advance(character);
        }
        if (x + width > limit && i > start) {
            if (breakAfter > start) {
                x -= xAtBreak;
                start = breakAfter;
            } else {
                x = 0;
                start = i;
            }
            lineStarts.push_back(start);
            breakAfter = -1;
        }
        x += width;
        i = next;
    }
    progress = {i, breakAfter, x, xAtBreak};
    if (i >= size) {
        layoutComplete = true;
        layoutTimer.stop();
    }
}

int TransmitDataEdit::estimatedLineCount() const
{
    if (layoutComplete || progress.next == 0)
        return lineCount();
    // The rest of the text is taken to wrap as the part laid out so far did.
    const double linesPerCharacter = double(lineCount()) / double(progress.next);
    const double rest = double(text.size() - progress.next) * linesPerCharacter;
    return int(std::min<double>(lineCount() + std::ceil(rest), std::numeric_limits<int>::max() / 2));
}

void TransmitDataEdit::updateScrollRange()
{
    const int fullLines = fullLinesInView();
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, std::max(0, estimatedLineCount() - fullLines));
    bar->setPageStep(fullLines);
}

qsizetype TransmitDataEdit::lineEnd(int line) const
{
    if (line + 1 >= lineCount())
        return layoutComplete ? text.size() : progress.next;
    const qsizetype next = lineStart(line + 1);
    // A line that ends at a line break ends before it; a wrapped one runs
    // to where the next begins.
    return text.at(next - 1) == u'\n' ? next - 1 : next;
}

int TransmitDataEdit::lineOf(qsizetype offset)
{
    ensureLaidOutThrough(offset);
    const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
    return std::max(0, int(after - lineStarts.begin()) - 1);
}

qint64 TransmitDataEdit::xOf(int line, qsizetype offset) const
{
    // Past the right edge nothing is seen; hanging spaces stop there.
    const qint64 visible = qint64(viewport()->width()) * unitsPerPixel;
    qint64 x = 0;
    for (qsizetype at = lineStart(line); at < offset && x <= visible;)
        x += advanceAt(at);
    return std::min(x, visible);
}

qsizetype TransmitDataEdit::offsetAtX(int line, qint64 target) const
{
    qsizetype end = lineEnd(line);
    // The caret cannot stand at the very end of a wrapped line: that offset
    // is the start of the next one.
    if (line + 1 < lineCount() && text.at(lineStart(line + 1) - 1) != u'\n' && end > lineStart(line))
        end = previousCharacter(end);
    qint64 x = 0;
    for (qsizetype offset = lineStart(line); offset < end;) {
        const qsizetype before = offset;
        const int width = advanceAt(offset);
        // The nearer edge of the character wins.
        if (x + width / 2 > target)
            return before;
        x += width;
    }
    return end;
}

QRect TransmitDataEdit::characterRect(qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, text.size());
    const int line = lineOf(offset);
    const int x = margin + qRound(toPixels(xOf(line, offset)));
    const int y = margin + (line - verticalScrollBar()->value()) * lineHeight;
    qsizetype next = offset;
    const int width = offset < text.size() ? qMax(1, qRound(toPixels(advanceAt(next)))) : 1;
    return QRect(viewport()->mapTo(this, QPoint(x, y)), QSize(width, lineHeight));
}

qsizetype TransmitDataEdit::offsetAtPoint(const QPoint &position)
{
    const QPoint inView = viewport()->mapFrom(this, position);
    const int line = std::max(0, verticalScrollBar()->value() + qFloor(qreal(inView.y() - margin) / lineHeight));
    ensureLinesThrough(line);
    return offsetAtX(std::min(line, lineCount() - 1), qint64(inView.x() - margin) * unitsPerPixel);
}

void TransmitDataEdit::ensureCursorVisible()
{
    if (!isVisible())
        return;
    const int line = lineOf(cursor);
    QScrollBar *bar = verticalScrollBar();
    if (line < bar->value())
        bar->setValue(line);
    else if (line >= bar->value() + fullLinesInView())
        bar->setValue(line - fullLinesInView() + 1);
}

void TransmitDataEdit::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == layoutTimer.timerId()) {
        // A slice at a time, so the window stays quick to answer whatever
        // the size of the text.
        ensureLayout();
        layOutMore(std::numeric_limits<int>::max() - 2, std::numeric_limits<qsizetype>::max(), layoutSlice);
        updateScrollRange();
        if (layoutComplete)
            layoutTimer.stop();
    } else if (event->timerId() == caretTimer.timerId()) {
        caretShown = !caretShown;
        viewport()->update();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

// --- Painting ----------------------------------------------------------------

void TransmitDataEdit::paintEvent(QPaintEvent *event)
{
    const int first = verticalScrollBar()->value();
    ensureLinesThrough(first + fullLinesInView() + 1);
    QPainter painter(viewport());
    // Each run of text is placed where the summed advances put it, so the
    // caret and the selection stand exactly at the characters they mean.
    QFont drawn = font();
    drawn.setKerning(false);
    painter.setFont(drawn);

    const QRect area = event->rect();
    int y = margin;
    for (int line = first; line < lineCount() && y <= area.bottom(); ++line) {
        if (y + lineHeight > area.top())
            drawLine(painter, line, y);
        y += lineHeight;
    }
}

void TransmitDataEdit::drawLine(QPainter &painter, int line, int y)
{
    const qsizetype from = lineStart(line);
    const qsizetype to = lineEnd(line);
    const qsizetype selectedFrom = std::clamp(selectionStart(), from, to);
    const qsizetype selectedTo = std::clamp(selectionEnd(), from, to);
    const bool caretHere = cursor >= from && (cursor < to || cursor == to) && lineOf(cursor) == line;
    const qsizetype caretAt = caretHere ? cursor : to;

    // Runs cut at the selection's ends and at the caret, where text that
    // an input method is composing is drawn in line, underlined.
    qsizetype cuts[] = {from, selectedFrom, selectedTo, caretAt, to};
    std::sort(std::begin(cuts), std::end(cuts));
    const qint64 visible = qint64(viewport()->width()) * unitsPerPixel;
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
        qsizetype offset = runFrom;
        const qint64 runX = x;
        while (offset < cuts[run + 1] && x <= visible)
            x += advanceAt(offset);
        if (offset == runFrom)
            continue;
        const QRectF box(margin + toPixels(runX), y, toPixels(x - runX), lineHeight);
        const bool selected = runFrom >= selectedFrom && offset <= selectedTo && selectedTo > selectedFrom;
        if (selected)
            painter.fillRect(box, palette().brush(QPalette::Highlight));
        painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QPointF(box.left(), y + ascent), text.mid(runFrom, offset - runFrom));
        if (x > visible)
            break;
    }
    if (caretHere && caretX < 0)
        caretX = x;
    // A selection that runs on past a line break shows that it holds it.
    if (to < text.size() && text.at(to) == u'\n' && selectionStart() <= to && selectionEnd() > to) {
        const QRectF box(margin + toPixels(std::min(x, visible)), y, toPixels(latin1Advances[u' ']), lineHeight);
        painter.fillRect(box, palette().brush(QPalette::Highlight));
    }
    if (caretHere && hasFocus() && (caretShown || !preedit.isEmpty())) {
        const qreal caretPixels = std::min<qreal>(margin + toPixels(caretX), viewport()->width() - 1);
        painter.fillRect(QRectF(caretPixels, y, 1, lineHeight), palette().color(QPalette::Text));
    }
}

void TransmitDataEdit::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TransmitDataEdit::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    ensureLinesThrough(verticalScrollBar()->value() + fullLinesInView());
}

void TransmitDataEdit::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        latin1Measured = false;
        otherAdvances.clear();
        laidOutWidth = -1;
        viewport()->update();
    }
    QAbstractScrollArea::changeEvent(event);
}

void TransmitDataEdit::focusInEvent(QFocusEvent *event)
{
    cursorMoved();
    QAbstractScrollArea::focusInEvent(event);
}

void TransmitDataEdit::focusOutEvent(QFocusEvent *event)
{
    caretTimer.stop();
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}

// --- The mouse and the context menu -------------------------------------------

void TransmitDataEdit::dragTo(const QPoint &position)
{
    // Dragging past the top or bottom edge scrolls on, so a selection can
    // reach beyond what is in view.
    QScrollBar *bar = verticalScrollBar();
    if (position.y() < 0)
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (position.y() > viewport()->height())
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    cursor = offsetAtPoint(viewport()->mapTo(this, position));
    goalX = -1;
    viewport()->update();
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
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    moveCursor(offset, event->modifiers().testFlag(Qt::ShiftModifier));
    goalX = -1;
    dragging = true;
    event->accept();
}

void TransmitDataEdit::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    dragTo(event->position().toPoint());
    event->accept();
}

void TransmitDataEdit::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !dragging) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    dragging = false;
    offerSelection();
    cursorMoved();
    event->accept();
}

void TransmitDataEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const qsizetype at = offsetAtPoint(viewport()->mapTo(this, event->position().toPoint()));
    qsizetype from = at;
    qsizetype to = at;
    while (from > 0 && !separates(text.at(from - 1)))
        --from;
    while (to < text.size() && !separates(text.at(to)))
        ++to;
    setSelection(from, to);
    dragging = false;
    offerSelection();
    event->accept();
}

void TransmitDataEdit::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
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
    const bool hasText = !text.isEmpty();
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
