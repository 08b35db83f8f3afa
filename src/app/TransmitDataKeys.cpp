// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the keys and an input method do in the transmit box: each key is
// turned into a move or an edit of the model, and the moves that depend on
// where lines wrap are worked out here from the layout.

#include "TransmitDataEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include <algorithm>

namespace {

// The input method sees this much text either side of the caret: enough for
// any word, and a long text is never copied whole on every key.
constexpr qsizetype surroundingReach = 1024;

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

} // namespace

bool TransmitDataEdit::event(QEvent *event)
{
    // Editing keys and typed text belong to the box while it has the focus,
    // even if a window action claims the same keys.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        static const QKeySequence::StandardKey owned[] = {
            QKeySequence::Undo,
            QKeySequence::Redo,
            QKeySequence::Cut,
            QKeySequence::Copy,
            QKeySequence::Paste,
            QKeySequence::SelectAll,
            QKeySequence::Delete,
            QKeySequence::DeleteStartOfWord,
            QKeySequence::DeleteEndOfWord,
            QKeySequence::MoveToStartOfLine,
            QKeySequence::MoveToEndOfLine,
            QKeySequence::MoveToStartOfDocument,
            QKeySequence::MoveToEndOfDocument,
            QKeySequence::MoveToNextWord,
            QKeySequence::MoveToPreviousWord,
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
    editing();
    if (handleEditingKey(event) || handleMovementKey(event)) {
        ensureCursorVisible();
        event->accept();
        return;
    }
    WrappedTextArea::keyPressEvent(event);
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
        model.insert(QStringLiteral("\n"));
    } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
        model.deletePreviousCharacter();
    } else if (event == QKeySequence::Delete) {
        model.deleteNextCharacter();
    } else if (event == QKeySequence::DeleteStartOfWord) {
        model.deletePreviousWord();
    } else if (event == QKeySequence::DeleteEndOfWord) {
        model.deleteNextWord();
    } else if (isTypedText(event)) {
        model.type(withLineFeeds(event->text()));
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
        model.moveToNextCharacter(selecting);
        break;
    case QKeySequence::MoveToPreviousChar:
        model.moveToPreviousCharacter(selecting);
        break;
    case QKeySequence::MoveToNextWord:
        model.moveToNextWord(selecting);
        break;
    case QKeySequence::MoveToPreviousWord:
        model.moveToPreviousWord(selecting);
        break;
    case QKeySequence::MoveToStartOfLine:
        moveCursor(wrap.lineStart(line), selecting);
        break;
    case QKeySequence::MoveToEndOfLine:
        moveCursor(endOfLine(line), selecting);
        break;
    case QKeySequence::MoveToStartOfBlock:
        moveCursor(text().lastIndexOf(u'\n', cursor - 1) + 1, selecting);
        break;
    case QKeySequence::MoveToEndOfBlock: {
        const qsizetype end = text().indexOf(u'\n', cursor);
        moveCursor(end < 0 ? text().size() : end, selecting);
        break;
    }
    // Past the first or the last line, the caret stays; a selection runs on
    // to the start or the end of the text.
    case QKeySequence::MoveToNextLine:
        ensureLinesThrough(line + 1);
        if (line + 1 < wrap.lineCount())
            verticalTo(line + 1);
        else if (selecting)
            moveCursor(text().size(), selecting);
        break;
    case QKeySequence::MoveToPreviousLine:
        if (line > 0)
            verticalTo(line - 1);
        else if (selecting)
            moveCursor(0, selecting);
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

// After the line's last character; on a line wrapped after a space, before
// that space, which hangs past the edge. After a token cut by the wrap that
// is where the next line starts, so typing goes on the token's end.
qsizetype TransmitDataEdit::endOfLine(int line) const
{
    const qsizetype end = wrap.lineEnd(line);
    if (wrap.isWrapped(line) && end > wrap.lineStart(line) && text().at(end - 1).isSpace())
        return end - 1;
    return end;
}

void TransmitDataEdit::inputMethodEvent(QInputMethodEvent *event)
{
    editing();
    const QString committed = withLineFeeds(event->commitString());
    if (event->replacementLength() > 0 || event->replacementStart() != 0) {
        const qsizetype from = cursor + event->replacementStart();
        model.replace(from, from + event->replacementLength(), committed);
    } else if (!committed.isEmpty()) {
        // A composed text is undone on its own, not with what was typed
        // before it.
        model.closeUndoStep();
        model.type(committed);
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
