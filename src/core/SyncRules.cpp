#include "SyncRules.h"

#include "TimerBounds.h"

#include <QJsonArray>

#include <cmath>

namespace SyncRules {

std::optional<QUrl> serverAddress(const QString& text)
{
    QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("https") || url.host().isEmpty() ||
        !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path);
    return url;
}

QUrl endpoint(const QUrl& server)
{
    QUrl url = server;
    url.setPath(server.path() + kEndpointPath);
    return url;
}

std::optional<bool> boolField(const QJsonObject& reply, const QString& key)
{
    const QJsonValue value = reply.value(key);
    return value.isBool() ? std::optional<bool>(value.toBool()) : std::nullopt;
}

std::optional<qint64> integerField(const QJsonObject& reply, const QString& key)
{
    const QJsonValue value = reply.value(key);
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    constexpr double kSafe = 9007199254740991.0; // 2^53 - 1
    if (!(std::abs(number) <= kSafe) || std::trunc(number) != number)
        return std::nullopt;
    return static_cast<qint64>(number);
}

std::optional<TimerList> remoteTimers(const QJsonObject& reply)
{
    const QJsonValue timers = reply.value(QStringLiteral("timers"));
    if (!timers.isArray())
        return std::nullopt;
    const QJsonArray array = timers.toArray();
    if (array.size() > TimerBounds::kMaxTimers)
        return std::nullopt;
    std::optional<TimerList> list = TimerJson::decode(array);
    if (list && !TimerBounds::acceptable(*list))
        return std::nullopt;
    return list;
}

Outcome pullOutcome(const QJsonObject& reply, qint64 localRevision)
{
    const auto revision = integerField(reply, QStringLiteral("rev"));
    if (!boolField(reply, QStringLiteral("ok")).value_or(false) || !revision || *revision == localRevision)
        return Outcome::Keep;
    return remoteTimers(reply) ? Outcome::Adopt : Outcome::Keep;
}

Outcome pushOutcome(const QJsonObject& reply)
{
    const auto revision = integerField(reply, QStringLiteral("rev"));
    if (!revision)
        return Outcome::Keep;
    if (!boolField(reply, QStringLiteral("stale")).value_or(false))
        return Outcome::Confirm;
    return remoteTimers(reply) ? Outcome::Adopt : Outcome::Keep;
}

std::optional<Pairing> pairing(const std::optional<QJsonObject>& reply)
{
    if (!reply || !boolField(*reply, QStringLiteral("ok")).value_or(false))
        return std::nullopt;
    const QJsonValue code = reply->value(QStringLiteral("code"));
    const QJsonValue token = reply->value(QStringLiteral("token"));
    if (!code.isString() || !token.isString() || code.toString().isEmpty() || token.toString().isEmpty())
        return std::nullopt;
    return Pairing{code.toString(), token.toString()};
}

} // namespace SyncRules
