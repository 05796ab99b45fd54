#pragma once

#include "core/UpdateRules.h"
#include "platform/Scheduler.h"

#include <QUrl>
#include <QVersionNumber>

#include <optional>

class Clock;
class HttpClient;
class Notifier;
class PreferenceStore;

// Pellow's own updater: reads a static JSON feed over HTTPS and tells the user when it names a
// newer version, with a link to its download page; installing stays with the user. It checks
// on its own every interval when automatic checks are on, counting from the last check it
// stored, so intervals survive restarts.
class Updater
{
public:
    struct Services
    {
        Clock& clock;
        Scheduler& scheduler;
        PreferenceStore& preferences;
        Notifier& notifier;
        HttpClient& http;
    };
    Updater(Services services, QUrl feed, QVersionNumber current);
    ~Updater();
    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    static inline const QString kLastCheckKey = QStringLiteral("updateLastCheck");

    void setAutomaticallyChecksForUpdates(bool on);
    void setUpdateCheckInterval(double seconds);
    bool automaticallyChecksForUpdates() const { return m_automatic; }
    double updateCheckInterval() const { return m_interval; }
    // A silent check: says something only when there is a newer version.
    void checkForUpdatesInBackground();
    // A check the user asked for: also says when Pellow is up to date or the check failed.
    void checkForUpdates();

private:
    void check(bool interactive);
    void scheduleNextCheck();

    Services m_services;
    QUrl m_feed;
    QVersionNumber m_current;
    bool m_automatic = false;
    double m_interval = 7 * 86400.0;
    bool m_checking = false;
    std::optional<Scheduler::TaskId> m_next;
    // Guards the scheduled work and the replies against an updater that is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
