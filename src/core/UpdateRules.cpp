#include "UpdateRules.h"

#include <algorithm>

namespace UpdateRules {

std::optional<Feed> parseFeed(const QJsonObject& reply)
{
    const QJsonValue version = reply.value(QStringLiteral("version"));
    const QJsonValue url = reply.value(QStringLiteral("url"));
    if (!version.isString() || !url.isString())
        return std::nullopt;
    qsizetype suffix = 0;
    const QString text = version.toString().trimmed();
    Feed feed{QVersionNumber::fromString(text, &suffix), QUrl(url.toString(), QUrl::StrictMode),
              reply.value(QStringLiteral("notes")).toString()};
    if (feed.version.isNull() || suffix != text.size() || !feed.url.isValid() ||
        feed.url.scheme() != QLatin1String("https") || feed.url.host().isEmpty())
        return std::nullopt;
    return feed;
}

bool isNewer(const Feed& feed, const QVersionNumber& current)
{
    return QVersionNumber::compare(feed.version.normalized(), current.normalized()) > 0;
}

std::optional<double> checkInterval(const QString& frequency)
{
    constexpr double kDay = 86400;
    if (frequency == QLatin1String("weekly"))
        return 7 * kDay;
    if (frequency == QLatin1String("biweekly"))
        return 14 * kDay;
    if (frequency == QLatin1String("monthly"))
        return 30 * kDay;
    return std::nullopt;
}

double secondsUntilDue(double lastCheck, double interval, double now)
{
    // A last check in the future (the clock was set back) counts from now.
    return std::max(0.0, std::min(lastCheck, now) + interval - now);
}

} // namespace UpdateRules
