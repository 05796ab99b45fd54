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

QString toolTip(const TimerList& timers, double now, const QLocale& locale)
{
    const auto index = clockTimer(timers, now);
    if (!index)
        return QString();
    const PellowTimer& t = timers[*index];
    return TimeTexts::displayName(t, timers) + QStringLiteral(" \u2014 ") +
           TimeTexts::statusText(t, now, locale);
}

QString labelGuide(const QString& title)
{
    QString guide = title.trimmed();
    for (QChar& c : guide)
        if (c.isDigit())
            c = QLatin1Char('0');
    return guide;
}

QString compactClock(const QString& title)
{
    // Read in place: the tray asks every second.
    qint64 seconds = 0;
    int parts = 0;
    for (const QStringView part : QStringView(title).trimmed().tokenize(QLatin1Char(':'))) {
        bool ok = false;
        const qint64 value = part.toLongLong(&ok);
        if (!ok || value < 0 || ++parts > 3)
            return QString();
        seconds = seconds * 60 + value;
    }
    if (parts < 2)
        return QString();
    // Under ten minutes a unit tells "9m" from a bare "9"; seconds count only in the last minute,
    // since every change of the icon is a new image for the panel to fetch.
    if (seconds < 60)
        return QString::number(seconds) + QLatin1Char('s');
    const qint64 minutes = (seconds + 59) / 60;
    if (minutes < 10)
        return QString::number(minutes) + QLatin1Char('m');
    if (minutes < 100)
        return QString::number(minutes);
    const qint64 hours = seconds / 3600;
    return hours < 100 ? QString::number(hours) + QLatin1Char('h') : QStringLiteral("99+");
}

} // namespace StatusTitle
