#pragma once

#include "Store.h"

#include <QString>

// Bounds guessing of pairing codes: an address that gave kMaxFailures wrong codes within the
// window is turned away until the oldest of them leaves the window. The count lives in the
// store, so every server process sharing a database shares the limit.
class ClaimLimiter
{
public:
    static constexpr int kMaxFailures = 10;
    static constexpr qint64 kWindowSeconds = 15 * 60;

    explicit ClaimLimiter(Store& store) : m_store(store) {}

    bool blocked(const QString& address, qint64 now)
    {
        return m_store.failuresSince(address, now - kWindowSeconds) >= kMaxFailures;
    }

    void recordFailure(const QString& address, qint64 now)
    {
        m_store.recordFailure(address, now, now - kWindowSeconds);
    }

private:
    Store& m_store;
};
