#pragma once

#include "ClientKey.h"
#include "Store.h"

#include <QString>

// Bounds guessing of pairing codes and the making of groups. A client (an IPv4 address, or an
// IPv6 /64) that gave kMaxFailures wrong codes within the window is turned away until the
// oldest of them leaves the window, and so is every client while the whole server has had
// kMaxFailuresPerMinute wrong codes in the last minute: many addresses together guess no
// faster than that. A client may make kMaxPairs groups within the window. The counts live in
// the store, so every server process sharing a database shares the limits.
class ClaimLimiter
{
public:
    static constexpr int kMaxFailures = 10;
    static constexpr int kMaxFailuresPerMinute = 300;
    static constexpr int kMaxPairs = 20;
    static constexpr qint64 kWindowSeconds = 15 * 60;

    explicit ClaimLimiter(Store& store) : m_store(store) {}

    bool blocked(const QString& address, qint64 now)
    {
        return m_store.failuresSince(clientKey(address), now - kWindowSeconds) >= kMaxFailures ||
               m_store.failuresSince(kEveryone, now - 60) >= kMaxFailuresPerMinute;
    }

    void recordFailure(const QString& address, qint64 now)
    {
        m_store.recordFailure(clientKey(address), now, now - kWindowSeconds);
        m_store.recordFailure(kEveryone, now, now - kWindowSeconds);
    }

    bool pairBlocked(const QString& address, qint64 now)
    {
        return m_store.failuresSince(pairKey(address), now - kWindowSeconds) >= kMaxPairs;
    }

    void recordPair(const QString& address, qint64 now)
    {
        m_store.recordFailure(pairKey(address), now, now - kWindowSeconds);
    }

private:
    // Keys no address can take: an address has no spaces and no "*".
    static inline const QString kEveryone = QStringLiteral("*");
    static QString pairKey(const QString& address) { return QStringLiteral("pair ") + clientKey(address); }

    Store& m_store;
};
