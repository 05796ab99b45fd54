#pragma once

#include "PellowTimer.h"

#include <QString>

// A fixed "now" for every benchmark, so each run formats the same texts.
inline constexpr double kBenchNow = 1'700'000'000.0;

// A list shaped like a busy user's: half named, half unnamed; countdowns and count-ups, running
// and paused, a few finished, some with a color and alert marks.
inline TimerList makeBenchTimers(int count)
{
    TimerList timers;
    timers.reserve(count);
    for (int i = 0; i < count; ++i) {
        PellowTimer t;
        t.id = QStringLiteral("timer-%1").arg(i);
        if (i % 2 == 0)
            t.label =
                i % 6 == 0 ? QStringLiteral("  Tea %1 ").arg(i) : QStringLiteral("Focus block %1").arg(i);
        const int kind = i % 5;
        t.mode = kind == 2 || kind == 3 ? QStringLiteral("up") : QStringLiteral("down");
        t.duration = t.isCountdown() ? 60.0 * (1 + i % 90) : 0.0;
        t.running = kind == 0 || kind == 2 || kind == 4;
        t.banked = kind == 4 ? t.duration + 5 : 7.5 * (i % 13);
        t.startedAt = t.running ? kBenchNow - 17.25 * (i % 40) : 0.0;
        t.alerted = kind == 4;
        if (t.isCountdown() && i % 3 == 0)
            t.warned = {kHalfwayMark, 300.0};
        if (i % 4 == 1)
            t.color = QStringLiteral("#3a7bd5");
        timers.append(t);
    }
    return timers;
}
