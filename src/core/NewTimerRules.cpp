#include "NewTimerRules.h"

#include "TimerBounds.h"

#include <QDateTime>

#include <cmath>

namespace NewTimerRules {

namespace {

constexpr double kStopwatchNominalLength = 300;
constexpr double kEndAtLead = 600;
constexpr int kQuarter = 15;

} // namespace

PellowTimer makeNewTimer(const QString& id, const QString& name, const std::optional<QString>& color,
                         double seconds, bool stopwatch)
{
    PellowTimer timer;
    timer.id = id;
    timer.label = TimerBounds::fitText(name);
    timer.mode = stopwatch ? QStringLiteral("up") : QStringLiteral("down");
    timer.duration = stopwatch ? kStopwatchNominalLength : seconds;
    timer.color = color;
    return timer;
}

void rearmTimer(PellowTimer& timer, const QString& name, const std::optional<QString>& color, double seconds,
                bool stopwatch, double now)
{
    if (!name.isEmpty())
        timer.label = TimerBounds::fitText(name);
    timer.color = color;
    timer.mode = stopwatch ? QStringLiteral("up") : QStringLiteral("down");
    if (!stopwatch)
        timer.duration = seconds;
    timer.banked = 0;
    timer.warned.clear();
    timer.alerted = false;
    timer.startedAt = now;
    timer.running = true;
}

double defaultEndAt(double now, const QTimeZone& zone)
{
    const double lead = now + kEndAtLead;
    // Far beyond any calendar (and the millisecond count): the fallback, as for any moment the
    // zone cannot express.
    if (!std::isfinite(lead) || std::abs(lead) > 1e13)
        return lead;
    const QDateTime local =
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(lead)) * 1000, zone);
    const QTime time = local.time();
    const int minute = (time.minute() + kQuarter - 1) / kQuarter * kQuarter;
    // Wall-clock arithmetic on a zone-free value, so 60 minutes carry into the next hour (and
    // day) as a calendar does; only then is the result read in the zone.
    const QDateTime wall =
        QDateTime(local.date(), QTime(time.hour(), 0), Qt::UTC).addSecs(qint64(minute) * 60);
    // Where the clocks go back, the wall time comes twice: keep the lead's own offset when the
    // time exists under it, so 02:05 of the first 02:xx hour rounds to 02:15 of that same hour.
    const QDateTime sameOffset =
        QDateTime(wall.date(), wall.time(), Qt::OffsetFromUTC, local.offsetFromUtc()).toTimeZone(zone);
    if (sameOffset.isValid() && sameOffset.date() == wall.date() && sameOffset.time() == wall.time())
        return static_cast<double>(sameOffset.toSecsSinceEpoch());
    const QDateTime result(wall.date(), wall.time(), zone);
    if (!result.isValid())
        return lead;
    return static_cast<double>(result.toSecsSinceEpoch());
}

std::optional<double> endAtLength(double pickedMoment, double now)
{
    const double seconds = pickedMoment - now;
    if (!(seconds >= 1.0))
        return std::nullopt;
    return std::round(seconds);
}

} // namespace NewTimerRules
