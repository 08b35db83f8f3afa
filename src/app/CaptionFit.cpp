// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CaptionFit.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

// What a grown control keeps clear of the neighbour or frame edge it grows
// towards, so that their outlines do not touch.
constexpr int clearance = 4;

// The part of a button its style lays the caption out in: after the
// indicator of an option button or check box, inside the bevel's padding of
// a push button. Text that runs past it is cut off.
QRect captionRoom(const QAbstractButton *button)
{
    QStyle::SubElement part;
    if (qobject_cast<const QRadioButton *>(button))
        part = QStyle::SE_RadioButtonContents;
    else if (qobject_cast<const QCheckBox *>(button))
        part = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QPushButton *>(button))
        part = QStyle::SE_PushButtonContents;
    else
        return button->rect();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(part, &option, button);
}

// How many pixels wider the control must be to show its whole caption;
// zero or less when it already does.
int shortfall(QWidget *control)
{
    control->ensurePolished();
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        if (button->text().isEmpty())
            return 0;
        return button->fontMetrics().horizontalAdvance(button->text()) - captionRoom(button).width();
    }
    if (auto *label = qobject_cast<QLabel *>(control)) {
        // A wrapping label gives its lines the width it has.
        if (label->text().isEmpty() || label->wordWrap())
            return 0;
        return label->minimumSizeHint().width() - label->width();
    }
    return 0;
}

// The x at which the control's growth stops, in its parent's coordinates:
// the inside of the parent's frame, or the nearest sibling to its right
// that shares any of its rows.
int roomEnd(const QWidget *control)
{
    const QWidget *parent = control->parentWidget();
    const QRect own = control->geometry();
    int end = parent->contentsRect().right() + 1;
    for (const QObject *child : parent->children()) {
        const auto *sibling = qobject_cast<const QWidget *>(child);
        if (!sibling || sibling == control || sibling->isWindow())
            continue;
        const QRect other = sibling->geometry();
        const bool sharesRows = other.top() <= own.bottom() && other.bottom() >= own.top();
        if (sharesRows && other.left() > own.left())
            end = qMin(end, other.left());
    }
    return end - clearance;
}

} // namespace

CaptionFit::CaptionFit(QWidget *form)
    : QObject(form)
{
    const QList<QWidget *> controls = form->findChildren<QWidget *>();
    for (QWidget *control : controls)
        if (qobject_cast<QAbstractButton *>(control) || qobject_cast<QLabel *>(control))
            drawn.append({control, control->geometry()});
    fit();
    form->installEventFilter(this);
}

bool CaptionFit::eventFilter(QObject *watched, QEvent *event)
{
    // The application's style has changed and every control has been
    // polished by the new one: measure afresh from the drawn sizes.
    if (event->type() == QEvent::StyleChange)
        fit();
    return QObject::eventFilter(watched, event);
}

void CaptionFit::fit()
{
    for (const Drawn &entry : std::as_const(drawn))
        if (entry.control)
            entry.control->setGeometry(entry.geometry);
    // Each control grows only to its right, up to the left edge of what
    // stands there; a neighbour's own growth leaves that edge where it was,
    // so the order of the controls does not matter.
    for (const Drawn &entry : std::as_const(drawn)) {
        QWidget *control = entry.control;
        if (!control)
            continue;
        const int missing = shortfall(control);
        if (missing <= 0)
            continue;
        const QRect own = control->geometry();
        const int width = qMin(own.width() + missing, roomEnd(control) - own.left());
        if (width > own.width())
            control->resize(width, own.height());
    }
}
