#pragma once

#include "DatabaseUrl.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <utility>

// What differs between SQLite and PostgreSQL: how a connection is opened and set up, and how
// a write transaction and a schema change are begun. The tables and queries are shared.
class SqlDialect
{
public:
    explicit SqlDialect(DatabaseTarget target) : m_target(std::move(target)) {}

    // Adds and opens a connection under this name, owned by the calling thread.
    QSqlDatabase open(const QString& connectionName) const;

    // Begins a transaction that writes, taking the write lock at once on SQLite so that two
    // writers wait for each other instead of failing halfway.
    QString beginWrite() const;

    // Statements run inside the schema transaction before anything is read, so that several
    // processes starting at once migrate one after the other.
    QStringList schemaLock() const;

    // Prepares the place the data lives (the SQLite file's folder). Throws StoreError.
    void prepare() const;

    QString describe() const;

private:
    bool sqlite() const { return m_target.kind == DatabaseTarget::Kind::Sqlite; }

    DatabaseTarget m_target;
};
