#include "TimerOperations.h"

#include "TimeTexts.h"

#include <algorithm>

namespace TimerOperations {

void startTimer(PellowTimer& t, double now)
{
    if (TimeTexts::isFinished(t, now)) {
        t.banked = 0;
        t.warned.clear();
    }
    t.startedAt = now;
    t.running = true;
    t.alerted = false;
}

void pauseTimer(PellowTimer& t, double now)
{
    t.banked += std::max(0.0, now - t.startedAt);
    t.running = false;
}

void applyLength(PellowTimer& t, double seconds, double now)
{
    t.mode = QStringLiteral("down");
    t.duration = seconds;
    startOver(t, now);
}

void startOver(PellowTimer& t, double now)
{
    t.banked = 0;
    t.warned.clear();
    t.alerted = false;
    t.startedAt = now;
    t.running = true;
}

void reset(PellowTimer& t)
{
    t.banked = 0;
    t.warned.clear();
    t.running = false;
    t.alerted = false;
}

void toggleMode(PellowTimer& t)
{
    t.mode = t.isCountdown() ? QStringLiteral("up") : QStringLiteral("down");
    reset(t);
}

void pauseAll(TimerList& timers, double now)
{
    for (PellowTimer& t : timers)
        if (t.running)
            pauseTimer(t, now);
}

void startAll(TimerList& timers, double now)
{
    for (PellowTimer& t : timers) {
        if (t.running)
            continue;
        if (t.isCountdown() && !(t.duration > t.banked))
            continue;
        startTimer(t, now);
    }
}

QList<double> toggledMarks(QList<double> marks, double minutes)
{
    const qsizetype at = marks.indexOf(minutes);
    if (at >= 0)
        marks.removeAt(at);
    else
        marks.append(minutes);
    std::stable_sort(marks.begin(), marks.end(), std::greater<>());
    return marks;
}

void applyMarkToggle(TimerList& timers, double minutes, bool switchedOn, double now)
{
    const double seconds = minutes * 60.0;
    for (PellowTimer& t : timers)
        t.warned.removeAll(seconds);
    if (!switchedOn)
        return;
    for (PellowTimer& t : timers)
        if (t.isCountdown() && TimeTexts::remainingSeconds(t, now) <= seconds)
            t.warned.append(seconds);
}

} // namespace TimerOperations
