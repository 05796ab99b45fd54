#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for, with the defaults filled in.
struct ServerOptions
{
    QString listenHost = QStringLiteral("127.0.0.1");
    quint16 listenPort = 8787; // 0: any free port, logged once bound
    QString database;          // sqlite:PATH or postgresql://user@host/dbname
    QString tlsCert;
    QString tlsKey;
    QString databasePasswordFile; // first line: the PostgreSQL password
    bool behindProxy = false;
    bool localNetwork = false; // plain HTTP on a private or link-local address, and loopback
    int maxConnections = 1000;
    int maxConnectionsPerClient = 32; // an IPv4 address or an IPv6 /64

    bool tls() const { return !tlsCert.isEmpty(); }
};

struct ParsedOptions
{
    std::optional<ServerOptions> options; // none: print message and stop
    QString message;                      // usage error, or the help text
    int exitCode = 0;
};

// Parses the arguments; args[0] is the program itself.
// Refuses plain HTTP on an address other than loopback unless a reverse proxy terminates TLS.
ParsedOptions parseOptions(const QStringList& args, const QProcessEnvironment& env);

// The embedded default: sqlite:$XDG_DATA_HOME/pellow-sync/sync.db.
QString defaultDatabaseUrl(const QProcessEnvironment& env);

bool isLoopbackHost(const QString& host);
