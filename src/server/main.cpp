#include "DatabaseUrl.h"
#include "HttpFrontEnd.h"
#include "Options.h"
#include "RequestLog.h"
#include "SqlStore.h"
#include "SyncService.h"
#include "WebPage.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QUrl>

#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>

namespace {

void fatal(const QString& text)
{
    std::fprintf(stderr, "pellow-sync-server: %s\n", qPrintable(text));
}

// Every connection is a file descriptor: take as many as the hard limit allows, up to what the
// connection cap needs.
void raiseFileLimit(int connections)
{
    rlimit limit = {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, rlim_t(connections) * 2 + 256);
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

bool readPassword(const QString& path, QString* password, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the password file %1: %2").arg(path, file.errorString());
        return false;
    }
    *password = QString::fromUtf8(file.readLine(4096)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // SIGTERM, SIGINT and SIGHUP are taken by one thread with sigwait; every thread started
    // later, the request threads included, inherits this mask.
    sigset_t handledSignals;
    sigemptyset(&handledSignals);
    sigaddset(&handledSignals, SIGTERM);
    sigaddset(&handledSignals, SIGINT);
    sigaddset(&handledSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &handledSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pellow-sync-server"));

    const ParsedOptions parsed =
        parseOptions(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment());
    if (!parsed.options) {
        std::fprintf(parsed.exitCode == 0 ? stdout : stderr, "%s\n", qPrintable(parsed.message));
        return parsed.exitCode;
    }
    const ServerOptions& options = *parsed.options;

    QString error;
    std::optional<DatabaseTarget> target = parseDatabaseUrl(options.database, &error);
    if (!target) {
        fatal(error);
        return 2;
    }
    if (!options.databasePasswordFile.isEmpty() &&
        !readPassword(options.databasePasswordFile, &target->password, &error)) {
        fatal(error);
        return 2;
    }
    raiseFileLimit(options.maxConnections);
    const SqlDialect dialect(*target);
    std::optional<SqlStore> store;
    try {
        store.emplace(dialect);
        store->migrate();
    } catch (const StoreError& e) {
        fatal(QStringLiteral("cannot use the database (%1): %2")
                  .arg(dialect.describe(), QString::fromUtf8(e.what())));
        return 1;
    }

    SyncService service(*store, [] { return QDateTime::currentSecsSinceEpoch(); });
    WebPage page;
    const bool havePage = page.load(WebPage::defaultFolders());
    HttpFrontEnd front(options, service, *store, page);
    if (!front.bind(&error)) {
        fatal(error);
        return 1;
    }
    RequestLog::note(QStringLiteral("listening on %1, storing in %2").arg(front.url(), dialect.describe()));
    RequestLog::note(havePage ? QStringLiteral("phone page from ") + page.folder()
                              : QStringLiteral("phone page not found; serving the sync endpoint only"));
    if (options.tls())
        RequestLog::note(QStringLiteral("certificate serial ") + front.certificateSerial());
    if (options.localNetwork)
        RequestLog::note(
            QStringLiteral("local network only: plain HTTP for phones on this network at %1, and "
                           "for this computer at http://127.0.0.1:%2; never on a public address")
                .arg(front.url())
                .arg(front.port()));
    if (target->kind == DatabaseTarget::Kind::Postgres && options.database.contains(QLatin1Char('@')) &&
        !QUrl(options.database).password().isEmpty())
        RequestLog::note(
            QStringLiteral("the database password is on the command line, which every local user can "
                           "read; use PGPASSWORD or --database-password-file"));

    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
    std::thread stopper([&] {
        int signal = 0;
        while (sigwait(&handledSignals, &signal) == 0 && signal == SIGHUP) {
            QString reloadError;
            if (front.reloadCertificate(&reloadError))
                RequestLog::note(QStringLiteral("SIGHUP: certificate reloaded, serial ") +
                                 front.certificateSerial());
            else
                RequestLog::note(QStringLiteral("SIGHUP: ") + reloadError +
                                 QStringLiteral("; serving on as before"));
        }
        // A signal that comes before serving has begun would find nothing to stop; ask again
        // until serving has ended.
        std::unique_lock lock(mutex);
        while (!finished) {
            front.stop();
            finishedChanged.wait_for(lock, std::chrono::milliseconds(100));
        }
    });

    const bool served = front.serve();
    {
        const std::lock_guard lock(mutex);
        finished = true;
    }
    finishedChanged.notify_all();
    pthread_kill(stopper.native_handle(), SIGTERM); // wakes sigwait if serving ended by itself
    stopper.join();
    RequestLog::note(served ? QStringLiteral("stopped") : QStringLiteral("serving failed"));
    return served ? 0 : 1;
}
