#include "Options.h"

#include "core/LocalNetwork.h"

#include <QCommandLineParser>
#include <QDir>
#include <QHostAddress>

namespace {

bool splitHostPort(const QString& text, QString& host, quint16& port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return false; // an IPv6 address needs its brackets
    bool ok = false;
    const uint value = text.mid(colon + 1).toUInt(&ok);
    if (!ok || value > 65535 || host.isEmpty())
        return false;
    port = static_cast<quint16>(value);
    return true;
}

} // namespace

bool isLoopbackHost(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QString defaultDatabaseUrl(const QProcessEnvironment& env)
{
    QString dataHome = env.value(QStringLiteral("XDG_DATA_HOME"));
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = env.value(QStringLiteral("HOME"), QDir::homePath()) + QStringLiteral("/.local/share");
    return QStringLiteral("sqlite:") + dataHome + QStringLiteral("/pellow-sync/sync.db");
}

ParsedOptions parseOptions(const QStringList& args, const QProcessEnvironment& env)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sync service for Pellow: keeps each paired group's timer "
                       "list and hands it to every device of the group."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address and port to serve on (default 127.0.0.1:8787; "
                                                   "port 0 picks a free one)."),
                                    QStringLiteral("HOST:PORT"));
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("sqlite:PATH or postgresql://user@host/dbname (default "
                                                     "sqlite:$XDG_DATA_HOME/pellow-sync/sync.db)."),
                                      QStringLiteral("URL"));
    const QCommandLineOption passwordFile(
        QStringLiteral("database-password-file"),
        QStringLiteral("Read the PostgreSQL password from the first line of FILE (or set PGPASSWORD); a "
                       "password in the URL is visible to every local user."),
        QStringLiteral("FILE"));
    const QCommandLineOption maxConnections(
        QStringLiteral("max-connections"),
        QStringLiteral("Connections served at once (default 1000); requests on more are answered 503."),
        QStringLiteral("N"));
    const QCommandLineOption maxPerClient(
        QStringLiteral("max-connections-per-client"),
        QStringLiteral("Connections one IPv4 address or IPv6 /64 may hold (default 32); requests on more "
                       "are answered 503."),
        QStringLiteral("N"));
    const QCommandLineOption cert(QStringLiteral("tls-cert"),
                                  QStringLiteral("PEM certificate chain; serve HTTPS."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption key(QStringLiteral("tls-key"), QStringLiteral("PEM private key of --tls-cert."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption proxy(QStringLiteral("behind-proxy"),
                                   QStringLiteral("A reverse proxy terminates TLS: allow plain HTTP on any "
                                                  "address and take the client address from "
                                                  "X-Forwarded-For."));
    const QCommandLineOption localNetwork(
        QStringLiteral("local-network"),
        QStringLiteral("Serve phones on the local network: plain HTTP on a private or link-local --listen "
                       "address only (10/8, 172.16/12, 192.168/16, 169.254/16, fc00::/7, fe80::/10), and on "
                       "127.0.0.1 at the same port for this computer."));
    parser.addOptions(
        {help, listen, database, passwordFile, cert, key, proxy, maxConnections, maxPerClient, localNetwork});

    ParsedOptions result;
    if (!parser.parse(args)) {
        result.message = parser.errorText();
        result.exitCode = 2;
        return result;
    }
    if (parser.isSet(help)) {
        result.message = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.message = QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first();
        result.exitCode = 2;
        return result;
    }

    ServerOptions options;
    if (parser.isSet(listen) &&
        !splitHostPort(parser.value(listen), options.listenHost, options.listenPort)) {
        result.message = QStringLiteral("--listen wants HOST:PORT, such as 127.0.0.1:8787 or [::1]:8787");
        result.exitCode = 2;
        return result;
    }
    options.database = parser.isSet(database) ? parser.value(database) : defaultDatabaseUrl(env);
    options.tlsCert = parser.value(cert);
    options.tlsKey = parser.value(key);
    options.behindProxy = parser.isSet(proxy);
    options.databasePasswordFile = parser.value(passwordFile);
    for (const auto& [option, target] : {std::pair{&maxConnections, &options.maxConnections},
                                         std::pair{&maxPerClient, &options.maxConnectionsPerClient}}) {
        if (!parser.isSet(*option))
            continue;
        bool ok = false;
        *target = parser.value(*option).toInt(&ok);
        if (!ok || *target < 1 || *target > 100000) {
            result.message =
                QStringLiteral("--%1 wants a number from 1 to 100000").arg(option->names().first());
            result.exitCode = 2;
            return result;
        }
    }

    if (options.tlsCert.isEmpty() != options.tlsKey.isEmpty()) {
        result.message = QStringLiteral("--tls-cert and --tls-key go together");
        result.exitCode = 2;
        return result;
    }
    options.localNetwork = parser.isSet(localNetwork);
    if (options.localNetwork) {
        if (options.tls() || options.behindProxy) {
            result.message = QStringLiteral("--local-network serves plain HTTP on the local network; it goes "
                                            "without --tls-cert and --behind-proxy");
            result.exitCode = 2;
            return result;
        }
        if (!LocalNetwork::isLocalNetworkAddress(options.listenHost)) {
            result.message = QStringLiteral("--local-network serves only a private or link-local address "
                                            "(10/8, 172.16/12, 192.168/16, 169.254/16, fc00::/7, fe80::/10), "
                                            "never a public one; %1 is not one")
                                 .arg(options.listenHost);
            result.exitCode = 2;
            return result;
        }
    } else if (!options.tls() && !options.behindProxy && !isLoopbackHost(options.listenHost)) {
        result.message = QStringLiteral("Plain HTTP is served only on a loopback address. To listen on ") +
                         options.listenHost +
                         QStringLiteral(", give --tls-cert and --tls-key, or --behind-proxy when a reverse "
                                        "proxy in front terminates TLS.");
        result.exitCode = 2;
        return result;
    }
    result.options = options;
    return result;
}
