// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>

#include <algorithm>
#include <utility>
#include <vector>

// What a text box edits, without the box: the text, the caret and the
// anchor of the selection, the undo history, and the steps the keys take
// through the text. The box lays the text out, draws it and turns keys and
// the mouse into these calls; it learns of every change through the signals.
//
// Offsets count UTF-16 code units. The caret moves over whole characters as
// a reader sees them (a letter with its accents, a flag, an emoji with its
// skin tone), and the word steps stop where the desktop's text boxes stop.
// Every step looks only at the text near the caret, so a key costs the same
// in a megabyte text as in a short one.
class TextEditModel : public QObject
{
    Q_OBJECT

public:
    explicit TextEditModel(QObject *parent = nullptr);

    const QString &text() const { return content; }
    // Replaces the whole text and forgets the undo history; the caret goes
    // to the start.
    void setText(const QString &text);

    qsizetype cursor() const { return caret; }
    qsizetype anchor() const { return selectionAnchor; }
    qsizetype selectionStart() const { return std::min(caret, selectionAnchor); }
    qsizetype selectionEnd() const { return std::max(caret, selectionAnchor); }
    bool hasSelection() const { return caret != selectionAnchor; }
    QString selectedText() const { return content.mid(selectionStart(), selectionEnd() - selectionStart()); }

    // Both clamped to the text. A caret that moves ends a typed run, so what
    // is typed after it is undone on its own.
    void setSelection(qsizetype anchor, qsizetype cursor);
    void moveCursor(qsizetype to, bool keepAnchor);

    // The moves the arrow keys make. Without keepAnchor, a character step
    // over a selection lands at its edge.
    void moveToNextCharacter(bool keepAnchor);
    void moveToPreviousCharacter(bool keepAnchor);
    void moveToNextWord(bool keepAnchor);
    void moveToPreviousWord(bool keepAnchor);

    // Typing and inserting replace the selection, if there is one. Typed
    // text merges into one undo step with what was typed just before it; a
    // run of Backspace and Delete is one step too; everything else is a step
    // of its own.
    void type(const QString &typed);
    void insert(const QString &inserted);
    void replace(qsizetype from, qsizetype to, const QString &inserted);
    // Backspace takes one code point, so a wrong accent can be typed again
    // without its letter; Delete takes the whole character.
    void deletePreviousCharacter();
    void deleteNextCharacter();
    void deletePreviousWord();
    void deleteNextWord();
    void removeSelection();
    // What comes next starts a new undo step, whatever it is.
    void closeUndoStep() { stepOpen = false; }

    bool isUndoAvailable() const { return !undoStack.empty(); }
    bool isRedoAvailable() const { return !redoStack.empty(); }
    // Both leave the caret after the text the step puts back, as the
    // desktop's text boxes do.
    void undo();
    void redo();

    // The steps through a text, for the model's moves and for a box's mouse.
    // A character is a grapheme cluster; the two ends of the text count as
    // boundaries.
    static qsizetype nextCharacter(const QString &text, qsizetype offset);
    static qsizetype previousCharacter(const QString &text, qsizetype offset);
    // The start of the next word, past any space after the caret's own word;
    // a run of punctuation is a word of its own, and a line break is always
    // a stop.
    static qsizetype nextWord(const QString &text, qsizetype offset);
    static qsizetype previousWord(const QString &text, qsizetype offset);
    // The word a double click at offset selects.
    static std::pair<qsizetype, qsizetype> wordAround(const QString &text, qsizetype offset);

signals:
    // Emitted after removed.size() units at position gave way to inserted;
    // caret and anchor already stand where the change left them.
    void contentsChange(qsizetype position, const QString &removed, const QString &inserted);
    // The whole text was replaced by setText.
    void textReset();
    void cursorChanged();

private:
    enum class StepKind { typing, deleting, other };
    // One undo step: at position, removed gave way to inserted.
    struct Step
    {
        qsizetype position = 0;
        QString removed;
        QString inserted;
        StepKind kind = StepKind::other;
    };

    void edit(qsizetype from, qsizetype to, const QString &inserted, StepKind kind);
    bool mergeIntoLastStep(qsizetype from, const QString &removed, const QString &inserted, StepKind kind);
    void apply(qsizetype position, const QString &removed, const QString &inserted, qsizetype caretAfter);
    void replay(std::vector<Step> &from, std::vector<Step> &to);
    void setCaret(qsizetype anchor, qsizetype cursor);

    QString content;
    qsizetype caret = 0;
    qsizetype selectionAnchor = 0;

    std::vector<Step> undoStack;
    std::vector<Step> redoStack;
    // Whether the last undo step may still grow.
    bool stepOpen = false;
};
