#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <stdexcept>

// A sync group's shared state: the revision and the timer list (a JSON array, as text).
struct GroupState
{
    qint64 rev = 0;
    QByteArray timers;
    qint64 touchedAt = 0; // the last push, join or daily mark of use
};

struct PushOutcome
{
    enum class Kind
    {
        Stored,
        Stale,
        UnknownToken
    };
    Kind kind = Kind::UnknownToken;
    GroupState current; // Stale: what the group holds
};

// The database failed or could not be reached; the request gets 503 and nothing is stored.
class StoreError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Everything the server remembers. Tokens and codes arrive here already hashed. Every method
// may be called from any request thread at once and throws StoreError on a database failure.
class Store
{
public:
    virtual ~Store() = default;

    // Creates the tables, or brings an older schema up to date.
    virtual void migrate() = 0;
    // Reads and writes a row of its own, so a database that answers but cannot store fails.
    virtual void ping() = 0;

    // A new group with an empty list at revision 0, the first device's token and a pairing code.
    // False when a live code already has this hash (the caller draws another code).
    virtual bool createGroup(const QString& groupId, const QString& tokenHash, const QString& codeHash,
                             qint64 codeExpiresAt, qint64 now) = 0;

    // Uses up a live code and joins its group with a new token. False when no live code matches.
    virtual bool claimCode(const QString& codeHash, const QString& tokenHash, qint64 now) = 0;

    // Stores the list only if rev is greater than the group's revision, in one compare-and-set.
    virtual PushOutcome pushIfNewer(const QString& tokenHash, qint64 rev, const QByteArray& timers,
                                    qint64 now) = 0;

    virtual std::optional<GroupState> groupOf(const QString& tokenHash) = 0;

    // Deletes the token's whole group: its list, every token of it and its pairing codes. False
    // when no group has this token.
    virtual bool deleteGroupOf(const QString& tokenHash) = 0;

    // Marks the token's group as in use at `now`, which keeps it from expiring.
    virtual void touchGroup(const QString& tokenHash, qint64 now) = 0;

    // Deletes, with their tokens and codes, the groups created before unusedBefore that never
    // got a second device or a push, and the groups untouched since idleBefore.
    virtual void deleteExpiredGroups(qint64 unusedBefore, qint64 idleBefore) = 0;

    // Events per key within a time window: wrong pairing codes and pairings, for the limits.
    virtual int failuresSince(const QString& address, qint64 since) = 0;
    virtual void recordFailure(const QString& address, qint64 at, qint64 forgetBefore) = 0;
};
