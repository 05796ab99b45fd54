#pragma once

#include <QString>

#include <optional>

// Where the store lives: an SQLite file, or a PostgreSQL database that several server processes
// can share.
struct DatabaseTarget
{
    enum class Kind
    {
        Sqlite,
        Postgres
    };
    Kind kind = Kind::Sqlite;
    QString path; // SQLite: absolute file path

    // PostgreSQL. An empty host means libpq's default (the local socket); a host beginning with
    // "/" is a socket folder.
    QString host;
    int port = -1;
    QString user;
    QString password;
    QString name;
    QString connectOptions; // further libpq settings as key=value;key=value
};

// Reads "sqlite:PATH" (a relative PATH is taken from the working folder) or
// "postgresql://[user[:password]@][host][:port]/dbname[?host=/socket/dir&sslmode=...]".
std::optional<DatabaseTarget> parseDatabaseUrl(const QString& url, QString* error);
