#include "TickRules.h"

#include "TimeTexts.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace TickRules {

QList<double> warnMarksFrom(const QJsonValue& stored)
{
    QList<double> marks{10, 5};
    if (stored.isArray()) {
        const QJsonArray array = stored.toArray();
        const bool allNumbers =
            std::all_of(array.begin(), array.end(), [](const QJsonValue& v) { return v.isDouble(); });
        if (allNumbers) {
            marks.clear();
            for (const QJsonValue& v : array)
                marks.append(v.toDouble());
        }
    }
    std::stable_sort(marks.begin(), marks.end(), std::greater<>());
    return marks;
}

std::optional<double> dueWarnMark(const PellowTimer& t, const QList<double>& marks, double now)
{
    if (!t.isCountdown() || TimeTexts::isFinished(t, now))
        return std::nullopt;
    const double remaining = TimeTexts::remainingSeconds(t, now);
    for (double m : marks) {
        const double s = m * 60.0;
        if (!(s < t.duration))
            continue;
        if (remaining <= s && !t.warned.contains(s))
            return s;
    }
    return std::nullopt;
}

Alert nextAlert(const PellowTimer& t, const QList<double>& marks, double now)
{
    if (!t.running || !t.isCountdown())
        return {};
    const double elapsed = TimeTexts::elapsedSeconds(t, now);
    if (!(t.duration > elapsed))
        return {AlertKind::Finish, 0};
    if (!(t.duration * 0.5 > elapsed) && !t.warned.contains(kHalfwayMark))
        return {AlertKind::Halfway, 0};
    if (const auto mark = dueWarnMark(t, marks, now))
        return {AlertKind::Warn, *mark};
    return {};
}

std::optional<double> nextAlertInstant(const TimerList& timers, const QList<double>& marks, double now)
{
    std::optional<double> soonest;
    const auto consider = [&soonest, now](double instant) {
        if (instant > now && (!soonest || instant < *soonest))
            soonest = instant;
    };
    for (const PellowTimer& t : timers) {
        if (!t.running || !t.isCountdown() || TimeTexts::isFinished(t, now))
            continue;
        const double end = now + TimeTexts::remainingSeconds(t, now);
        consider(end);
        if (!t.warned.contains(kHalfwayMark))
            consider(end - t.duration * 0.5);
        for (double m : marks) {
            const double s = m * 60.0;
            if (s < t.duration && !t.warned.contains(s))
                consider(end - s);
        }
    }
    return soonest;
}

double nextSecondBoundary(const PellowTimer& t, double now)
{
    const double shown = TimeTexts::shownSeconds(t, now);
    if (!t.running || !std::isfinite(shown))
        return now;
    // A countdown's time left falls to its next whole second; a count-up's time rises to it.
    const double wait = t.isCountdown() ? shown - std::floor(shown) : std::ceil(shown) - shown;
    return now + wait;
}

bool samePhase(double a, double b)
{
    const double apart = std::abs(std::remainder(a - b, 1.0));
    return apart < 0.002;
}

bool tickNeeded(const TimerList& timers, bool hudVisible)
{
    const bool anyRunning =
        std::any_of(timers.begin(), timers.end(), [](const PellowTimer& t) { return t.running; });
    return anyRunning || (hudVisible && !timers.isEmpty());
}

long long markMinutes(double markSeconds)
{
    return std::llround(std::clamp(markSeconds / 60.0, -1e15, 1e15));
}

} // namespace TickRules
