#pragma once

#include "core/MenuModel.h"
#include "core/PellowTimer.h"

#include <QStringList>

// Short ways to make the records the tests need, and to read the menus made of them.
inline PellowTimer countdown(const QString& id, double duration, double startedAt, bool running = true,
                             double banked = 0)
{
    PellowTimer t;
    t.id = id;
    t.mode = QStringLiteral("down");
    t.duration = duration;
    t.startedAt = startedAt;
    t.running = running;
    t.banked = banked;
    return t;
}

inline PellowTimer countUp(const QString& id, double startedAt, bool running = true, double banked = 0)
{
    PellowTimer t = countdown(id, 300, startedAt, running, banked);
    t.mode = QStringLiteral("up");
    return t;
}

// Titles of one menu level, or of its checked items only; separators read "-".
inline QStringList titles(const Menu& menu, bool checkedOnly = false)
{
    QStringList out;
    for (const MenuItem& i : menu.items)
        if (i.checked || !checkedOnly)
            out << (i.separator ? QStringLiteral("-") : i.title);
    return out;
}
