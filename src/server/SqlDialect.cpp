#include "SqlDialect.h"

#include "Store.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

QSqlDatabase SqlDialect::open(const QString& connectionName) const
{
    QSqlDatabase db;
    if (sqlite()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(m_target.path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        db.setHostName(m_target.host);
        if (m_target.port > 0)
            db.setPort(m_target.port);
        db.setUserName(m_target.user);
        db.setPassword(m_target.password);
        db.setDatabaseName(m_target.name);
        db.setConnectOptions(m_target.connectOptions);
    }
    if (!db.isValid())
        throw StoreError("the Qt SQL driver for this database is not installed");
    if (!db.open())
        throw StoreError(("cannot open the database: " + db.lastError().text()).toStdString());
    if (sqlite()) {
        // Readers do not wait for the writer; writers queue on the busy timeout.
        QSqlQuery q(db);
        for (const char* pragma :
             {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON"})
            if (!q.exec(QString::fromLatin1(pragma)))
                throw StoreError(("cannot set up the database: " + q.lastError().text()).toStdString());
    }
    return db;
}

QString SqlDialect::beginWrite() const
{
    return sqlite() ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
}

QStringList SqlDialect::schemaLock() const
{
    if (sqlite())
        return {}; // BEGIN IMMEDIATE already holds the only write lock
    // Any constant works as long as every server process uses the same one.
    return {QStringLiteral("SELECT pg_advisory_xact_lock(7369551)")};
}

void SqlDialect::prepare() const
{
    if (!sqlite())
        return;
    const QString folder = QFileInfo(m_target.path).absolutePath();
    if (QFileInfo::exists(folder))
        return;
    if (!QDir().mkpath(folder))
        throw StoreError(("cannot create the folder " + folder).toStdString());
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString SqlDialect::describe() const
{
    if (sqlite())
        return QStringLiteral("SQLite ") + m_target.path;
    QString where = m_target.host.isEmpty() ? QStringLiteral("local socket") : m_target.host;
    if (m_target.port > 0)
        where += QLatin1Char(':') + QString::number(m_target.port);
    return QStringLiteral("PostgreSQL ") + m_target.name + QStringLiteral(" on ") + where;
}
