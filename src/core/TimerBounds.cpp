#include "TimerBounds.h"

#include <algorithm>
#include <cmath>

namespace TimerBounds {

namespace {

bool saneTime(double seconds)
{
    return std::isfinite(seconds) && std::abs(seconds) <= kMaxSeconds;
}

bool saneText(const QString& text)
{
    return text.size() <= kMaxTextLength;
}

} // namespace

bool acceptable(const PellowTimer& timer)
{
    return saneText(timer.id) && saneText(timer.label) && saneText(timer.mode) &&
           saneText(timer.color.value_or(QString())) && saneTime(timer.duration) && saneTime(timer.banked) &&
           saneTime(timer.startedAt) && timer.warned.size() <= kMaxWarned &&
           std::all_of(timer.warned.begin(), timer.warned.end(), saneTime);
}

bool acceptable(const TimerList& timers)
{
    return timers.size() <= kMaxTimers &&
           std::all_of(timers.begin(), timers.end(), [](const PellowTimer& t) { return acceptable(t); });
}

QString fitText(const QString& text)
{
    if (text.size() <= kMaxTextLength)
        return text;
    qsizetype end = kMaxTextLength;
    if (text.at(end - 1).isHighSurrogate())
        --end;
    return text.left(end);
}

} // namespace TimerBounds
