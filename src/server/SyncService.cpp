#include "SyncService.h"

#include "PellowTimer.h"
#include "Secrets.h"
#include "SyncRules.h"
#include "TimerBounds.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The largest integer a JSON number carries exactly.
constexpr qint64 kMaxRev = 9007199254740991;

ServiceReply reply(int status, const QJsonObject& body)
{
    return {status, QJsonDocument(body).toJson(QJsonDocument::Compact)};
}

ServiceReply error(int status, const QString& text)
{
    return reply(status, {{QStringLiteral("ok"), false}, {QStringLiteral("error"), text}});
}

ServiceReply unknownToken()
{
    return error(403, QStringLiteral("unknown token"));
}

QJsonArray storedTimers(const QByteArray& text)
{
    return QJsonDocument::fromJson(text).array();
}

std::optional<QString> tokenHashOf(const QJsonObject& request)
{
    const QJsonValue token = request.value(QLatin1String("token"));
    if (!token.isString() || token.toString().isEmpty())
        return std::nullopt;
    return Secrets::hash(token.toString());
}

} // namespace

SyncService::SyncService(Store& store, Clock clock)
    : m_store(store), m_limiter(store), m_clock(std::move(clock))
{}

ServiceReply SyncService::handle(const QString& action, const QByteArray& body, const QString& clientAddress)
{
    if (body.size() > kMaxBodyBytes)
        return error(413, QStringLiteral("body too large"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return error(400, QStringLiteral("malformed JSON"));
    const QJsonObject request = document.object();

    try {
        if (action == QLatin1String("pair"))
            return pair(clientAddress);
        if (action == QLatin1String("claim"))
            return claim(request, clientAddress);
        if (action == QLatin1String("push"))
            return push(request);
        if (action == QLatin1String("pull"))
            return pull(request);
        if (action == QLatin1String("leave"))
            return leave(request);
    } catch (const StoreError&) {
        return error(503, QStringLiteral("storage unavailable"));
    }
    return error(400, QStringLiteral("unknown action"));
}

ServiceReply SyncService::pair(const QString& clientAddress)
{
    const qint64 now = m_clock();
    if (m_limiter.pairBlocked(clientAddress, now))
        return error(429, QStringLiteral("too many tries"));
    m_limiter.recordPair(clientAddress, now);
    deleteExpiredGroups(now);
    const QString groupId = Secrets::newGroupId();
    const QString token = Secrets::newToken();
    // A clash with a live code is rare (about one in 887 million per live code); draw again.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString code = Secrets::newCode();
        if (m_store.createGroup(groupId, Secrets::hash(token), Secrets::hash(code),
                                now + kCodeLifetimeSeconds, now))
            return reply(200, {{QStringLiteral("ok"), true},
                               {QStringLiteral("code"), code},
                               {QStringLiteral("token"), token}});
    }
    return error(503, QStringLiteral("no free pairing code"));
}

void SyncService::deleteExpiredGroups(qint64 now)
{
    // At most once a minute, by whichever request thread comes first.
    qint64 due = m_nextExpiry.load();
    if (now < due || !m_nextExpiry.compare_exchange_strong(due, now + 60))
        return;
    m_store.deleteExpiredGroups(now - kUnusedGroupSeconds, now - kIdleGroupSeconds);
}

ServiceReply SyncService::claim(const QJsonObject& request, const QString& clientAddress)
{
    const qint64 now = m_clock();
    if (m_limiter.blocked(clientAddress, now))
        return error(429, QStringLiteral("too many tries"));
    const QJsonValue code = request.value(QLatin1String("code"));
    if (!code.isString())
        return error(400, QStringLiteral("code must be a string"));

    const QString token = Secrets::newToken();
    if (!m_store.claimCode(Secrets::hash(Secrets::normaliseCode(code.toString())), Secrets::hash(token),
                           now)) {
        m_limiter.recordFailure(clientAddress, now);
        return reply(200, {{QStringLiteral("ok"), false}});
    }
    return reply(200, {{QStringLiteral("ok"), true}, {QStringLiteral("token"), token}});
}

ServiceReply SyncService::push(const QJsonObject& request)
{
    const std::optional<QString> tokenHash = tokenHashOf(request);
    if (!tokenHash)
        return error(400, QStringLiteral("token must be a string"));
    const std::optional<qint64> revision = SyncRules::integerField(request, QStringLiteral("rev"));
    if (!revision || *revision < 0 || *revision > kMaxRev)
        return error(400, QStringLiteral("rev must be a whole number"));
    const QJsonValue timersValue = request.value(QLatin1String("timers"));
    if (!timersValue.isArray())
        return error(400, QStringLiteral("timers must be an array"));
    const QJsonArray timers = timersValue.toArray();
    if (timers.size() > TimerBounds::kMaxTimers)
        return error(400, QStringLiteral("more than 500 timers"));

    // The same reading of a record as Pellow's own, and the stored form Pellow writes; only a
    // list Pellow would adopt is stored.
    const std::optional<TimerList> decoded = TimerJson::decode(timers);
    if (!decoded)
        return error(400, QStringLiteral("invalid timer records"));
    if (!TimerBounds::acceptable(*decoded))
        return error(400, QStringLiteral("timer records out of bounds"));
    const std::optional<QByteArray> encoded = TimerJson::encodeBytes(*decoded);
    if (!encoded)
        return error(400, QStringLiteral("invalid timer records"));

    const PushOutcome outcome = m_store.pushIfNewer(*tokenHash, *revision, *encoded, m_clock());
    switch (outcome.kind) {
    case PushOutcome::Kind::Stored:
        return reply(200, {{QStringLiteral("rev"), *revision}});
    case PushOutcome::Kind::Stale:
        return reply(200, {{QStringLiteral("stale"), true},
                           {QStringLiteral("rev"), outcome.current.rev},
                           {QStringLiteral("timers"), storedTimers(outcome.current.timers)}});
    case PushOutcome::Kind::UnknownToken:
        break;
    }
    return unknownToken();
}

ServiceReply SyncService::pull(const QJsonObject& request)
{
    const std::optional<QString> tokenHash = tokenHashOf(request);
    if (!tokenHash)
        return error(400, QStringLiteral("token must be a string"));
    const std::optional<GroupState> group = m_store.groupOf(*tokenHash);
    if (!group)
        return unknownToken();
    // Pulls keep a group alive; one mark a day is enough for that.
    const qint64 now = m_clock();
    if (group->touchedAt < now - kUnusedGroupSeconds)
        m_store.touchGroup(*tokenHash, now);
    return reply(200, {{QStringLiteral("ok"), true},
                       {QStringLiteral("rev"), group->rev},
                       {QStringLiteral("timers"), storedTimers(group->timers)}});
}

ServiceReply SyncService::leave(const QJsonObject& request)
{
    const std::optional<QString> tokenHash = tokenHashOf(request);
    if (!tokenHash)
        return error(400, QStringLiteral("token must be a string"));
    if (!m_store.deleteGroupOf(*tokenHash))
        return unknownToken();
    return reply(200, {{QStringLiteral("ok"), true}});
}
