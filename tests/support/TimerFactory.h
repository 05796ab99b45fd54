#pragma once

#include "core/PellowTimer.h"

// Short ways to make the records the tests need.
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
