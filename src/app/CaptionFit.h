// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

// Keeps every caption of a form with fixed positions whole under whatever
// style draws it. The positions and sizes were drawn for compact indicators
// and thin bevels; a style with larger ones leaves less room for a caption
// than the control has, and the caption's end is cut off. A control whose
// caption does not fit grows to its right, into the free room up to its
// next neighbour or its frame's edge; nothing moves and nothing shrinks, so
// under a style whose controls already hold their captions the form stays
// exactly as drawn. A change of style later returns every control to its
// drawn size and fits the captions again.
class CaptionFit : public QObject
{
public:
    // Fits the captions of the form's controls now and after each change of style.
    explicit CaptionFit(QWidget *form);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fit();

    struct Drawn
    {
        QPointer<QWidget> control;
        QRect geometry;
    };
    QList<Drawn> drawn;
};
