// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "WrappedTextArea.h"
#include "formats/DataFormat.h"

#include <QBasicTimer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

// A read-only box for the latest arrival. A text editor widget builds a
// whole document for every text it is given, which takes about a second and
// a hundred megabytes for one large arrival and costs tens of microseconds
// for every small one in a flood. This box keeps only the text and the
// offsets where its wrapped lines start, draws only the lines in view, and
// lays out and repaints at most once a frame: of a burst of arrivals only the
// last is ever drawn.
//
// The text is taken and given back exactly as set; wrapping never adds a
// character to it, nor to what is copied. The user can select with the mouse
// or Ctrl+A and copy, scroll with the scroll bar, the wheel and the keys, and
// reach the box with Tab, but cannot change the text.
class ReceivedDataView : public WrappedTextArea
{
    Q_OBJECT
    Q_PROPERTY(QString plainText READ toPlainText WRITE setPlainText USER true)

public:
    explicit ReceivedDataView(QWidget *parent = nullptr);

    QString toPlainText() const { return shownText(); }
    // The text is held at once; laying it out and drawing it wait for the
    // next frame. The scroll position stays where the user left it, as far
    // as the new text reaches.
    void setPlainText(const QString &text);
    // Shows an arrival's bytes in the given format. They are rendered only
    // when their text is needed, to draw it or to give it out: of a burst of
    // arrivals within one frame, only the last is ever rendered.
    void showArrival(const QByteArray &data, qint64 bytesTotal, DataFormat format);

protected:
    bool event(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    friend class ReceivedDataAccessible;

    void scheduleFrame();
    void invalidateLayout() override;
    // Starts the layout afresh when the text or the width has changed.
    void ensureLayout();
    void ensureLinesThrough(int line) override;
    void drawLine(QPainter &painter, int line, int y) override;

    qsizetype offsetAtViewport(const QPoint &position) override;
    void placeCaret(qsizetype offset, bool keepAnchor) override;
    void selectRange(qsizetype from, qsizetype to) override;
    QMenu *createContextMenu() override;

    // Where a character is drawn, in viewport coordinates, and the scroll
    // that brings it into view: for a screen reader's review cursor.
    QRect characterRect(qsizetype offset);
    void scrollToOffset(qsizetype offset);
    int lineOf(qsizetype offset);
    void announceText();

    // The text shown, rendered from the latest arrival when first needed.
    const QString &shownText() const override;
    void replaced();

    struct Arrival
    {
        QByteArray data;
        qint64 bytesTotal = -1;
        DataFormat format = DataFormat::String;
        bool waiting = false;
    };
    mutable Arrival pending;
    mutable Arrival renderedFrom;
    mutable QString renderedText;

    // The layout runs only as far as it is needed, and the rest in slices
    // while the window is idle. Once valid, it holds the text shown.
    bool layoutValid = false;
    QBasicTimer layoutTimer;

    QBasicTimer frameTimer;
    QElapsedTimer sinceFrame;

    // What a screen reader was last told the box holds.
    QString announcedText;
    QBasicTimer announceTimer;
    QElapsedTimer sinceAnnounced;
};
