#pragma once

#include "SqlDialect.h"
#include "Store.h"

#include <QSqlDatabase>

#include <atomic>

// The store on QtSql, one connection per request thread, the same tables and statements on
// SQLite and PostgreSQL.
class SqlStore final : public Store
{
public:
    explicit SqlStore(SqlDialect dialect);
    ~SqlStore() override;

    void migrate() override;
    void ping() override;
    bool createGroup(const QString& groupId, const QString& tokenHash, const QString& codeHash,
                     qint64 codeExpiresAt, qint64 now) override;
    bool claimCode(const QString& codeHash, const QString& tokenHash, qint64 now) override;
    PushOutcome pushIfNewer(const QString& tokenHash, qint64 rev, const QByteArray& timers,
                            qint64 now) override;
    std::optional<GroupState> groupOf(const QString& tokenHash) override;
    void touchGroup(const QString& tokenHash, qint64 now) override;
    void deleteExpiredGroups(qint64 unusedBefore, qint64 idleBefore) override;
    bool deleteGroupOf(const QString& tokenHash) override;
    int failuresSince(const QString& address, qint64 since) override;
    void recordFailure(const QString& address, qint64 at, qint64 forgetBefore) override;

private:
    class Transaction;

    // The calling thread's connection, opened on first use and reopened after a failure.
    QSqlDatabase connection();

    SqlDialect m_dialect;
    const int m_id;
    static std::atomic<int> s_nextId;
};
