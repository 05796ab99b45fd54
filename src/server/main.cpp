#include "DatabaseUrl.h"
#include "HttpFrontEnd.h"
#include "Options.h"
#include "RequestLog.h"
#include "SqlStore.h"
#include "SyncService.h"
#include "WebPage.h"

#include <QCoreApplication>
#include <QDateTime>

#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace {

void fatal(const QString& text)
{
    std::fprintf(stderr, "pellow-sync-server: %s\n", qPrintable(text));
}

} // namespace

int main(int argc, char** argv)
{
    // SIGTERM and SIGINT are taken by one thread with sigwait; every thread started later,
    // the request threads included, inherits this mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
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
    const std::optional<DatabaseTarget> target = parseDatabaseUrl(options.database, &error);
    if (!target) {
        fatal(error);
        return 2;
    }
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

    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
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
