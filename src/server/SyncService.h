#pragma once

#include "ClaimLimiter.h"
#include "Store.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <atomic>
#include <functional>

struct ServiceReply
{
    int status = 200;
    QByteArray body; // always a JSON object
};

// The sync endpoint's actions, apart from HTTP: pair, claim, push, pull and leave.
class SyncService
{
public:
    static constexpr qsizetype kMaxBodyBytes = 256 * 1024;
    static constexpr qint64 kCodeLifetimeSeconds = 15 * 60;
    // A group nobody joined or pushed to goes after a day; any group after 180 days unused.
    static constexpr qint64 kUnusedGroupSeconds = 24 * 60 * 60;
    static constexpr qint64 kIdleGroupSeconds = 180 * 24 * 60 * 60;

    using Clock = std::function<qint64()>; // seconds since 1970

    SyncService(Store& store, Clock clock);

    // One request: the "action" query value, the raw body and the client's address.
    ServiceReply handle(const QString& action, const QByteArray& body, const QString& clientAddress);

private:
    ServiceReply pair(const QString& clientAddress);
    void deleteExpiredGroups(qint64 now);
    ServiceReply claim(const QJsonObject& request, const QString& clientAddress);
    ServiceReply push(const QJsonObject& request);
    ServiceReply pull(const QJsonObject& request);
    ServiceReply leave(const QJsonObject& request);

    Store& m_store;
    ClaimLimiter m_limiter;
    Clock m_clock;
    std::atomic<qint64> m_nextExpiry{0};
};
