#include "StatusTitle.h"

#include "TimeTexts.h"

namespace StatusTitle {

std::optional<qsizetype> clockTimer(const TimerList& timers, double now)
{
    std::optional<qsizetype> best;
    double bestRemaining = 0;
    for (qsizetype i = 0; i < timers.size(); ++i) {
        const PellowTimer& t = timers[i];
        if (!t.running || !t.isCountdown() || TimeTexts::isFinished(t, now))
            continue;
        const double remaining = TimeTexts::remainingSeconds(t, now);
        if (!best || remaining < bestRemaining) {
            best = i;
            bestRemaining = remaining;
        }
    }
    if (best)
        return best;
    for (qsizetype i = 0; i < timers.size(); ++i)
        if (timers[i].running)
            return i;
    for (qsizetype i = 0; i < timers.size(); ++i)
        if (timers[i].banked > 0)
            return i;
    if (!timers.isEmpty())
        return 0;
    return std::nullopt;
}

QString title(const TimerList& timers, double now, bool clockEnabled)
{
    if (!clockEnabled)
        return QString();
    const auto index = clockTimer(timers, now);
    if (!index)
        return QString();
    const PellowTimer& t = timers[*index];
    if (!t.running && !(t.banked > 0))
        return QString();
    if (TimeTexts::isFinished(t, now))
        return QStringLiteral(" 0:00");
    return QLatin1Char(' ') + TimeTexts::clockText(TimeTexts::shownSeconds(t, now));
}

} // namespace StatusTitle
