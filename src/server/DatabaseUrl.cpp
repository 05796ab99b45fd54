#include "DatabaseUrl.h"

#include <QDir>
#include <QUrl>
#include <QUrlQuery>

namespace {

std::optional<DatabaseTarget> fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return std::nullopt;
}

std::optional<DatabaseTarget> parsePostgres(const QString& text, QString* error)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return fail(error, QStringLiteral("Not a database URL: ") + url.errorString());
    DatabaseTarget target;
    target.kind = DatabaseTarget::Kind::Postgres;
    target.host = url.host();
    target.port = url.port(-1);
    target.user = url.userName();
    target.password = url.password();
    target.name = url.path().mid(1);
    if (target.name.isEmpty() || target.name.contains(QLatin1Char('/')))
        return fail(
            error, QStringLiteral("The PostgreSQL URL needs a database name: postgresql://user@host/dbname"));

    QStringList options;
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host"))
            target.host = value;
        else if (key == QLatin1String("port"))
            target.port = value.toInt();
        else if (key.contains(QLatin1Char(';')) || key.contains(QLatin1Char('=')) ||
                 value.contains(QLatin1Char(';')))
            return fail(error, QStringLiteral("Unreadable setting in the database URL: ") + key);
        else
            options << key + QLatin1Char('=') + value;
    }
    target.connectOptions = options.join(QLatin1Char(';'));
    return target;
}

} // namespace

std::optional<DatabaseTarget> parseDatabaseUrl(const QString& url, QString* error)
{
    if (url.startsWith(QLatin1String("postgresql://")) || url.startsWith(QLatin1String("postgres://")))
        return parsePostgres(url, error);
    if (url.startsWith(QLatin1String("sqlite:"))) {
        QString path = url.mid(7);
        if (path.startsWith(QLatin1String("//")))
            path = path.mid(2); // sqlite:///var/lib/x.db
        if (path.isEmpty())
            return fail(error,
                        QStringLiteral("sqlite: needs a file path, such as sqlite:/var/lib/pellow/sync.db"));
        DatabaseTarget target;
        target.path = QDir::cleanPath(QDir::current().absoluteFilePath(path));
        return target;
    }
    return fail(error, QStringLiteral("The database is sqlite:PATH or postgresql://user@host/dbname"));
}
