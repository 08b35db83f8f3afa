// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TextEditModel.h"

TextEditModel::TextEditModel(QObject *parent)
    : QObject(parent)
{}

void TextEditModel::setText(const QString &text)
{
    content = text;
    caret = selectionAnchor = 0;
    undoStack.clear();
    redoStack.clear();
    stepOpen = false;
    emit textReset();
    emit cursorChanged();
}

void TextEditModel::setCaret(qsizetype anchor, qsizetype cursor)
{
    if (anchor == selectionAnchor && cursor == caret)
        return;
    selectionAnchor = anchor;
    caret = cursor;
    stepOpen = false;
    emit cursorChanged();
}

void TextEditModel::setSelection(qsizetype anchor, qsizetype cursor)
{
    setCaret(std::clamp<qsizetype>(anchor, 0, content.size()), std::clamp<qsizetype>(cursor, 0, content.size()));
}

void TextEditModel::moveCursor(qsizetype to, bool keepAnchor)
{
    to = std::clamp<qsizetype>(to, 0, content.size());
    setCaret(keepAnchor ? selectionAnchor : to, to);
}

void TextEditModel::moveToNextCharacter(bool keepAnchor)
{
    moveCursor(!keepAnchor && hasSelection() ? selectionEnd() : nextCharacter(content, caret), keepAnchor);
}

void TextEditModel::moveToPreviousCharacter(bool keepAnchor)
{
    moveCursor(!keepAnchor && hasSelection() ? selectionStart() : previousCharacter(content, caret), keepAnchor);
}

void TextEditModel::moveToNextWord(bool keepAnchor)
{
    moveCursor(nextWord(content, caret), keepAnchor);
}

void TextEditModel::moveToPreviousWord(bool keepAnchor)
{
    moveCursor(previousWord(content, caret), keepAnchor);
}

void TextEditModel::type(const QString &typed)
{
    edit(selectionStart(), selectionEnd(), typed, StepKind::typing);
}

void TextEditModel::insert(const QString &inserted)
{
    edit(selectionStart(), selectionEnd(), inserted, StepKind::other);
}

void TextEditModel::replace(qsizetype from, qsizetype to, const QString &inserted)
{
    from = std::clamp<qsizetype>(from, 0, content.size());
    to = std::clamp<qsizetype>(to, from, content.size());
    edit(from, to, inserted, StepKind::other);
}

void TextEditModel::removeSelection()
{
    edit(selectionStart(), selectionEnd(), QString(), StepKind::other);
}

void TextEditModel::deletePreviousCharacter()
{
    if (hasSelection()) {
        removeSelection();
        return;
    }
    qsizetype from = std::max<qsizetype>(0, caret - 1);
    if (from > 0 && content.at(from).isLowSurrogate() && content.at(from - 1).isHighSurrogate())
        --from;
    edit(from, caret, QString(), StepKind::deleting);
}

void TextEditModel::deleteNextCharacter()
{
    if (hasSelection())
        removeSelection();
    else
        edit(caret, nextCharacter(content, caret), QString(), StepKind::deleting);
}

void TextEditModel::deletePreviousWord()
{
    if (hasSelection())
        removeSelection();
    else
        edit(previousWord(content, caret), caret, QString(), StepKind::other);
}

void TextEditModel::deleteNextWord()
{
    if (hasSelection())
        removeSelection();
    else
        edit(caret, nextWord(content, caret), QString(), StepKind::other);
}

void TextEditModel::edit(qsizetype from, qsizetype to, const QString &inserted, StepKind kind)
{
    if (from == to && inserted.isEmpty())
        return;
    redoStack.clear();
    const QString removed = content.mid(from, to - from);
    if (!mergeIntoLastStep(from, removed, inserted, kind))
        undoStack.push_back({from, removed, inserted, kind});
    apply(from, removed, inserted, from + inserted.size());
    stepOpen = kind != StepKind::other;
}

// Typing grows the last step while it goes on where that step ended; Delete
// and Backspace grow it while they take the characters either side of it.
bool TextEditModel::mergeIntoLastStep(qsizetype from, const QString &removed, const QString &inserted, StepKind kind)
{
    if (!stepOpen || undoStack.empty() || undoStack.back().kind != kind)
        return false;
    Step &last = undoStack.back();
    const qsizetype to = from + removed.size();
    if (kind == StepKind::typing) {
        if (from != to || last.position + last.inserted.size() != from)
            return false;
        last.inserted += inserted;
        return true;
    }
    if (to == last.position) {
        last.position = from;
        last.removed.prepend(removed);
        return true;
    }
    if (from == last.position) {
        last.removed += removed;
        return true;
    }
    return false;
}

void TextEditModel::apply(qsizetype position, const QString &removed, const QString &inserted, qsizetype caretAfter)
{
    content.replace(position, removed.size(), inserted);
    caret = selectionAnchor = caretAfter;
    emit contentsChange(position, removed, inserted);
    emit cursorChanged();
}

void TextEditModel::undo()
{
    replay(undoStack, redoStack);
}

void TextEditModel::redo()
{
    replay(redoStack, undoStack);
}

// A step taken off one stack is applied with its texts changing places and
// kept that way on the other, so undoing and redoing are the same move.
void TextEditModel::replay(std::vector<Step> &from, std::vector<Step> &to)
{
    if (from.empty())
        return;
    Step step = std::move(from.back());
    from.pop_back();
    std::swap(step.removed, step.inserted);
    stepOpen = false;
    to.push_back(std::move(step));
    const Step &applied = to.back();
    apply(applied.position, applied.removed, applied.inserted, applied.position + applied.inserted.size());
}
