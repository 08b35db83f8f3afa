// SPDX-FileCopyrightText: 2026 The Vortlane developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReceivedDataAccessible.h"
#include "ReceivedDataView.h"
#include "WrappedTextAccessible.h"

#include <algorithm>

// A read-only text. Without it the box, which draws its text itself, would
// show as an empty pane.
class ReceivedDataAccessible : public WrappedTextAccessible
{
public:
    explicit ReceivedDataAccessible(ReceivedDataView *view)
        : WrappedTextAccessible(view)
    {}

    QAccessible::State state() const override
    {
        QAccessible::State state = WrappedTextAccessible::state();
        state.readOnly = true;
        return state;
    }

    QRect characterRect(int offset) const override
    {
        if (offset < 0 || offset >= characterCount())
            return {};
        return view()->characterRect(offset).translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint inViewport = view()->viewport()->mapFromGlobal(point);
        if (!view()->viewport()->rect().contains(inViewport))
            return -1;
        return int(view()->offsetAtViewport(inViewport));
    }
    void scrollToSubstring(int startIndex, int) override
    {
        view()->scrollToOffset(std::clamp<qsizetype>(startIndex, 0, characterCount()));
    }

private:
    ReceivedDataView *view() const { return static_cast<ReceivedDataView *>(widget()); }
};

QAccessibleInterface *createReceivedDataAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("ReceivedDataView"))
        return new ReceivedDataAccessible(static_cast<ReceivedDataView *>(object));
    return nullptr;
}
