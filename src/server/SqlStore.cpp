#include "SqlStore.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <initializer_list>

std::atomic<int> SqlStore::s_nextId{0};

namespace {

// Each entry adds one schema version; a database at version n runs entries n and later.
const QList<QStringList> kMigrations = {
    {
        QStringLiteral("CREATE TABLE sync_groups (id TEXT PRIMARY KEY, rev BIGINT NOT NULL, "
                       "timers TEXT NOT NULL, created_at BIGINT NOT NULL, updated_at BIGINT NOT NULL)"),
        QStringLiteral("CREATE TABLE sync_tokens (token_hash TEXT PRIMARY KEY, group_id TEXT NOT NULL "
                       "REFERENCES sync_groups(id) ON DELETE CASCADE, created_at BIGINT NOT NULL)"),
        QStringLiteral("CREATE INDEX sync_tokens_group ON sync_tokens(group_id)"),
        QStringLiteral("CREATE TABLE pairing_codes (code_hash TEXT PRIMARY KEY, group_id TEXT NOT NULL "
                       "REFERENCES sync_groups(id) ON DELETE CASCADE, expires_at BIGINT NOT NULL)"),
        QStringLiteral("CREATE TABLE claim_failures (address TEXT NOT NULL, failed_at BIGINT NOT NULL)"),
        QStringLiteral("CREATE INDEX claim_failures_address ON claim_failures(address, failed_at)"),
        QStringLiteral("CREATE INDEX claim_failures_time ON claim_failures(failed_at)"),
    },
    {
        QStringLiteral("CREATE TABLE health_check (id INTEGER PRIMARY KEY, beats BIGINT NOT NULL)"),
        QStringLiteral("INSERT INTO health_check (id, beats) VALUES (1, 0)"),
        QStringLiteral("CREATE INDEX sync_groups_updated ON sync_groups(updated_at)"),
    },
};

// Connections of this thread, by store; closed and removed when the thread ends.
struct ThreadConnections
{
    QHash<int, QString> names;
    QHash<int, bool> broken;

    ~ThreadConnections()
    {
        for (const QString& name : std::as_const(names)) {
            QSqlDatabase::database(name, false).close();
            QSqlDatabase::removeDatabase(name);
        }
    }
};

thread_local ThreadConnections t_connections;

[[noreturn]] void fail(int storeId, const QSqlError& error)
{
    t_connections.broken[storeId] = true;
    throw StoreError(error.text().toStdString());
}

QSqlQuery run(int storeId, const QSqlDatabase& db, const QString& sql, std::initializer_list<QVariant> values)
{
    QSqlQuery q(db);
    // PostgreSQL cannot prepare transaction control, so statements without values run as they are.
    if (values.size() == 0) {
        if (!q.exec(sql))
            fail(storeId, q.lastError());
        return q;
    }
    if (!q.prepare(sql))
        fail(storeId, q.lastError());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        fail(storeId, q.lastError());
    return q;
}

} // namespace

// A write transaction that rolls back unless committed.
class SqlStore::Transaction
{
public:
    Transaction(SqlStore& store, const QSqlDatabase& db) : m_store(store), m_db(db)
    {
        run(m_store.m_id, m_db, m_store.m_dialect.beginWrite(), {});
    }
    ~Transaction()
    {
        if (!m_done)
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit()
    {
        run(m_store.m_id, m_db, QStringLiteral("COMMIT"), {});
        m_done = true;
    }

private:
    SqlStore& m_store;
    QSqlDatabase m_db;
    bool m_done = false;
};

SqlStore::SqlStore(SqlDialect dialect) : m_dialect(std::move(dialect)), m_id(s_nextId++)
{
    m_dialect.prepare();
}

SqlStore::~SqlStore() = default;

QSqlDatabase SqlStore::connection()
{
    QString& name = t_connections.names[m_id];
    if (!name.isEmpty() && t_connections.broken.value(m_id)) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
        name.clear();
    }
    if (name.isEmpty()) {
        const QString candidate = QStringLiteral("pellow-sync-%1-%2")
                                      .arg(m_id)
                                      .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
        t_connections.broken[m_id] = false;
        try {
            m_dialect.open(candidate);
        } catch (...) {
            QSqlDatabase::removeDatabase(candidate);
            throw;
        }
        name = candidate;
    }
    return QSqlDatabase::database(name, false);
}

void SqlStore::migrate()
{
    const QSqlDatabase db = connection();
    Transaction tx(*this, db);
    for (const QString& lock : m_dialect.schemaLock())
        run(m_id, db, lock, {});
    run(m_id, db, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"), {});
    QSqlQuery q = run(m_id, db, QStringLiteral("SELECT MAX(version) FROM schema_version"), {});
    const int current = q.next() ? q.value(0).toInt() : 0;
    q.finish();
    if (current > kMigrations.size())
        throw StoreError("the database was made by a newer server");
    for (int version = current; version < kMigrations.size(); ++version) {
        for (const QString& statement : kMigrations[version])
            run(m_id, db, statement, {});
    }
    if (current < kMigrations.size()) {
        run(m_id, db, QStringLiteral("DELETE FROM schema_version"), {});
        run(m_id, db, QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"),
            {QVariant(int(kMigrations.size()))});
    }
    tx.commit();
}

void SqlStore::ping()
{
    const QSqlDatabase db = connection();
    Transaction tx(*this, db);
    run(m_id, db, QStringLiteral("UPDATE health_check SET beats = beats + 1 WHERE id = 1"), {});
    QSqlQuery q = run(m_id, db, QStringLiteral("SELECT beats FROM health_check WHERE id = 1"), {});
    if (!q.next())
        throw StoreError("the health check row is missing");
    q.finish();
    tx.commit();
}

bool SqlStore::createGroup(const QString& groupId, const QString& tokenHash, const QString& codeHash,
                           qint64 codeExpiresAt, qint64 now)
{
    const QSqlDatabase db = connection();
    Transaction tx(*this, db);
    run(m_id, db, QStringLiteral("DELETE FROM pairing_codes WHERE expires_at <= ?"), {now});
    QSqlQuery taken =
        run(m_id, db, QStringLiteral("SELECT 1 FROM pairing_codes WHERE code_hash = ?"), {codeHash});
    if (taken.next())
        return false;
    taken.finish();
    run(m_id, db,
        QStringLiteral(
            "INSERT INTO sync_groups (id, rev, timers, created_at, updated_at) VALUES (?, 0, '[]', ?, ?)"),
        {groupId, now, now});
    run(m_id, db,
        QStringLiteral("INSERT INTO sync_tokens (token_hash, group_id, created_at) VALUES (?, ?, ?)"),
        {tokenHash, groupId, now});
    run(m_id, db,
        QStringLiteral("INSERT INTO pairing_codes (code_hash, group_id, expires_at) VALUES (?, ?, ?)"),
        {codeHash, groupId, codeExpiresAt});
    tx.commit();
    return true;
}

bool SqlStore::claimCode(const QString& codeHash, const QString& tokenHash, qint64 now)
{
    const QSqlDatabase db = connection();
    Transaction tx(*this, db);
    // Deleting the code is what makes it single use: of two claims at once, one deletes it and
    // the other finds nothing.
    QSqlQuery used = run(
        m_id, db,
        QStringLiteral("DELETE FROM pairing_codes WHERE code_hash = ? AND expires_at > ? RETURNING group_id"),
        {codeHash, now});
    if (!used.next())
        return false;
    const QString groupId = used.value(0).toString();
    used.finish();
    run(m_id, db,
        QStringLiteral("INSERT INTO sync_tokens (token_hash, group_id, created_at) VALUES (?, ?, ?)"),
        {tokenHash, groupId, now});
    run(m_id, db, QStringLiteral("UPDATE sync_groups SET updated_at = ? WHERE id = ?"), {now, groupId});
    tx.commit();
    return true;
}

PushOutcome SqlStore::pushIfNewer(const QString& tokenHash, qint64 rev, const QByteArray& timers, qint64 now)
{
    const QSqlDatabase db = connection();
    // The check and the write are one statement: of two pushes with the same revision, the
    // database lets exactly one match "rev < ?".
    const QSqlQuery update =
        run(m_id, db,
            QStringLiteral("UPDATE sync_groups SET rev = ?, timers = ?, updated_at = ? "
                           "WHERE id = (SELECT group_id FROM sync_tokens WHERE token_hash = ?) AND rev < ?"),
            {rev, QString::fromUtf8(timers), now, tokenHash, rev});
    PushOutcome outcome;
    if (update.numRowsAffected() == 1) {
        outcome.kind = PushOutcome::Kind::Stored;
        return outcome;
    }
    const std::optional<GroupState> current = groupOf(tokenHash);
    if (!current)
        return outcome;
    outcome.kind = PushOutcome::Kind::Stale;
    outcome.current = *current;
    return outcome;
}

std::optional<GroupState> SqlStore::groupOf(const QString& tokenHash)
{
    QSqlQuery q =
        run(m_id, connection(),
            QStringLiteral("SELECT g.rev, g.timers, g.updated_at FROM sync_tokens t JOIN sync_groups g "
                           "ON g.id = t.group_id WHERE t.token_hash = ?"),
            {tokenHash});
    if (!q.next())
        return std::nullopt;
    return GroupState{q.value(0).toLongLong(), q.value(1).toString().toUtf8(), q.value(2).toLongLong()};
}

void SqlStore::touchGroup(const QString& tokenHash, qint64 now)
{
    run(m_id, connection(),
        QStringLiteral(
            "UPDATE sync_groups SET updated_at = ? "
            "WHERE id = (SELECT group_id FROM sync_tokens WHERE token_hash = ?) AND updated_at < ?"),
        {now, tokenHash, now});
}

void SqlStore::deleteExpiredGroups(qint64 unusedBefore, qint64 idleBefore)
{
    // Tokens and pairing codes go with their group (ON DELETE CASCADE).
    run(m_id, connection(),
        QStringLiteral("DELETE FROM sync_groups WHERE updated_at < ? OR (rev = 0 AND created_at < ? AND "
                       "(SELECT COUNT(*) FROM sync_tokens t WHERE t.group_id = sync_groups.id) < 2)"),
        {idleBefore, unusedBefore});
}

bool SqlStore::deleteGroupOf(const QString& tokenHash)
{
    const QSqlDatabase db = connection();
    Transaction tx(*this, db);
    QSqlQuery member =
        run(m_id, db, QStringLiteral("SELECT group_id FROM sync_tokens WHERE token_hash = ?"), {tokenHash});
    if (!member.next())
        return false;
    const QString groupId = member.value(0).toString();
    member.finish();
    // Named one by one rather than left to the cascade, which SQLite honours only when asked.
    run(m_id, db, QStringLiteral("DELETE FROM pairing_codes WHERE group_id = ?"), {groupId});
    run(m_id, db, QStringLiteral("DELETE FROM sync_tokens WHERE group_id = ?"), {groupId});
    run(m_id, db, QStringLiteral("DELETE FROM sync_groups WHERE id = ?"), {groupId});
    tx.commit();
    return true;
}

int SqlStore::failuresSince(const QString& address, qint64 since)
{
    QSqlQuery q =
        run(m_id, connection(),
            QStringLiteral("SELECT COUNT(*) FROM claim_failures WHERE address = ? AND failed_at > ?"),
            {address, since});
    return q.next() ? q.value(0).toInt() : 0;
}

void SqlStore::recordFailure(const QString& address, qint64 at, qint64 forgetBefore)
{
    const QSqlDatabase db = connection();
    Transaction tx(*this, db);
    run(m_id, db, QStringLiteral("DELETE FROM claim_failures WHERE failed_at <= ?"), {forgetBefore});
    run(m_id, db, QStringLiteral("INSERT INTO claim_failures (address, failed_at) VALUES (?, ?)"),
        {address, at});
    tx.commit();
}
