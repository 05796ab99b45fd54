#include "TimeTexts.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace TimeTexts {

double elapsedSeconds(const PellowTimer& t, double now)
{
    return t.banked + (t.running ? std::max(0.0, now - t.startedAt) : 0.0);
}

double remainingSeconds(const PellowTimer& t, double now)
{
    return std::max(0.0, t.duration - elapsedSeconds(t, now));
}

double shownSeconds(const PellowTimer& t, double now)
{
    return t.isCountdown() ? remainingSeconds(t, now) : elapsedSeconds(t, now);
}

bool isFinished(const PellowTimer& t, double now)
{
    return t.isCountdown() && !(t.duration > elapsedSeconds(t, now));
}

std::optional<double> endDate(const PellowTimer& t, double now)
{
    if (!t.isCountdown() || !t.running || isFinished(t, now))
        return std::nullopt;
    return now + (t.duration - elapsedSeconds(t, now));
}

QString clockText(double seconds)
{
    if (std::isnan(seconds))
        return QStringLiteral("--:--");
    // Round half away from zero, saturating at the 64-bit range instead of overflowing.
    const double rounded = std::round(seconds);
    constexpr double limit = 9223372036854774784.0; // largest double below 2^63
    const std::int64_t s = rounded >= limit    ? std::numeric_limits<std::int64_t>::max()
                           : rounded <= -limit ? -std::numeric_limits<std::int64_t>::max()
                                               : static_cast<std::int64_t>(rounded);
    const bool negative = s < 0;
    const std::uint64_t a = negative ? static_cast<std::uint64_t>(-s) : static_cast<std::uint64_t>(s);
    const QString sign = negative ? QStringLiteral("-") : QString();
    if (a < 3600)
        return sign + QStringLiteral("%1:%2")
                          .arg(a / 60, 2, 10, QLatin1Char('0'))
                          .arg(a % 60, 2, 10, QLatin1Char('0'));
    return sign + QStringLiteral("%1:%2:%3")
                      .arg(a / 3600)
                      .arg((a % 3600) / 60, 2, 10, QLatin1Char('0'))
                      .arg(a % 60, 2, 10, QLatin1Char('0'));
}

QString shortTimeText(double instant, const QLocale& locale)
{
    if (!std::isfinite(instant))
        return QString();
    const auto msecs = static_cast<qint64>(std::clamp(instant, -1e14, 1e14) * 1000.0);
    // Local time through the C library: cheap, unlike building the system time zone per call.
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime);
    // The format is worked out once per locale: menus and the HUD ask for it every second.
    thread_local QString cachedLocale;
    thread_local QString cachedFormat;
    if (cachedFormat.isEmpty() || cachedLocale != locale.name()) {
        cachedLocale = locale.name();
        cachedFormat = shortTimeFormat(locale);
    }
    return locale.toString(when.time(), cachedFormat);
}

QString endTimeText(double instant, double now, const QLocale& locale)
{
    if (!std::isfinite(instant) || !std::isfinite(now))
        return shortTimeText(instant, locale);
    struct Remembered
    {
        double minute = qQNaN();
        QLocale locale;
        QHash<qint64, QString> texts; // by the instant's milliseconds
    };
    thread_local Remembered remembered;
    const double minute = std::floor(now / 60);
    constexpr qsizetype kMostEnds = 64;
    if (minute != remembered.minute || locale != remembered.locale || remembered.texts.size() >= kMostEnds)
        remembered = Remembered{minute, locale, {}};
    const auto key = static_cast<qint64>(std::clamp(instant, -1e14, 1e14) * 1000.0);
    auto it = remembered.texts.constFind(key);
    if (it == remembered.texts.constEnd())
        it = remembered.texts.insert(key, shortTimeText(instant, locale));
    return *it;
}

QString shortTimeFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    // Drops the seconds (and any fraction) with the separator before them: some locales,
    // C among them, give "HH:mm:ss" as their short format.
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            result += c;
            continue;
        }
        if (quoted || (c != QLatin1Char('s') && c != QLatin1Char('z'))) {
            result += c;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == c)
            ++i;
        qsizetype cut = result.size();
        while (cut > 0 && !result[cut - 1].isLetter() && result[cut - 1] != QLatin1Char('\'') &&
               !result[cut - 1].isSpace())
            --cut;
        result.truncate(cut);
    }
    return result.trimmed().isEmpty() ? QStringLiteral("HH:mm") : result.trimmed();
}

QString statusText(const PellowTimer& t, double now, const QLocale& locale)
{
    if (isFinished(t, now))
        return QStringLiteral("finished");
    if (const auto end = endDate(t, now))
        return QStringLiteral("ends ") + endTimeText(*end, now, locale);
    if (t.running)
        return t.isCountdown() ? QStringLiteral("counting down") : QStringLiteral("counting up");
    if (t.banked > 0)
        return QStringLiteral("paused");
    return QStringLiteral("ready");
}

QString detailText(const PellowTimer& t, double now, const QLocale& locale)
{
    if (isFinished(t, now))
        return QStringLiteral("finished");
    return clockText(shownSeconds(t, now)) + QStringLiteral(" \u00B7 ") + statusText(t, now, locale);
}

std::optional<qsizetype> timerIndex(const TimerList& timers, const QString& id)
{
    for (qsizetype i = 0; i < timers.size(); ++i)
        if (timers[i].id == id)
            return i;
    return std::nullopt;
}

namespace {
template <typename IsBlank> QString trimmed(const QString& text, IsBlank isBlank)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}
} // namespace

QString trimHorizontal(const QString& text)
{
    return trimmed(text, [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; });
}

QString trimSpacesAndTabs(const QString& text)
{
    return trimmed(text, [](QChar c) { return c == u' ' || c == u'\t'; });
}

QString displayName(const PellowTimer& t, const TimerList& timers)
{
    const QString trimmed = trimHorizontal(t.label);
    if (!trimmed.isEmpty())
        return trimmed;
    return QStringLiteral("Timer %1").arg(timerIndex(timers, t.id).value_or(0) + 1);
}

} // namespace TimeTexts
