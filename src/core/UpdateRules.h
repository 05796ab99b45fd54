#pragma once

#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <QVersionNumber>

#include <optional>

// The update feed and when to read it: pure rules of the updater.
namespace UpdateRules {

// What the feed announces: {"version":"1.4.0","url":"https://…","notes":"…"}.
struct Feed
{
    QVersionNumber version;
    QUrl url;
    QString notes;
};

// The feed, or none unless "version" is a version number and "url" an https address.
std::optional<Feed> parseFeed(const QJsonObject& reply);
bool isNewer(const Feed& feed, const QVersionNumber& current);

// Seconds between automatic checks for an "updateFrequency" value; none when the updater does
// not check on its own ("start", "never" and any unknown value).
std::optional<double> checkInterval(const QString& frequency);

// Seconds from now until the next automatic check is due (0 when it is due already).
double secondsUntilDue(double lastCheck, double interval, double now);

} // namespace UpdateRules
