#include "Updater.h"

#include "platform/Clock.h"
#include "platform/HttpClient.h"
#include "platform/Notifier.h"
#include "platform/PreferenceStore.h"

#include <algorithm>
#include <memory>

namespace {

// Long waits are taken a day at a time, so a suspended machine or a changed clock is noticed.
constexpr double kLongestWait = 86400;

} // namespace

Updater::Updater(Services services, QUrl feed, QVersionNumber current)
    : m_services(services), m_feed(std::move(feed)), m_current(std::move(current))
{}

Updater::~Updater()
{
    *m_alive = false;
    if (m_next)
        m_services.scheduler.cancel(*m_next);
}

void Updater::setAutomaticallyChecksForUpdates(bool on)
{
    m_automatic = on;
    // Switched on for the first time, the interval counts from now: no check at once.
    if (on && !m_services.preferences.isStored(kLastCheckKey))
        m_services.preferences.setDouble(kLastCheckKey, m_services.clock.now());
    scheduleNextCheck();
}

void Updater::setUpdateCheckInterval(double seconds)
{
    m_interval = std::max(seconds, 3600.0);
    scheduleNextCheck();
}

void Updater::checkForUpdatesInBackground()
{
    check(false);
}

void Updater::checkForUpdates()
{
    check(true);
}

void Updater::scheduleNextCheck()
{
    if (m_next) {
        m_services.scheduler.cancel(*m_next);
        m_next.reset();
    }
    if (!m_automatic)
        return;
    const double last = m_services.preferences.doubleValue(kLastCheckKey);
    const double wait = UpdateRules::secondsUntilDue(last, m_interval, m_services.clock.now());
    m_next = m_services.scheduler.after(std::min(wait, kLongestWait), [this, alive = m_alive, wait] {
        if (!*alive)
            return;
        m_next.reset();
        if (wait <= kLongestWait)
            checkForUpdatesInBackground();
        else
            scheduleNextCheck();
    });
}

void Updater::check(bool interactive)
{
    if (m_checking && !interactive)
        return;
    m_checking = true;
    m_services.http.getJson(m_feed, [this, alive = m_alive, interactive](HttpClient::Reply reply) {
        if (!*alive)
            return;
        m_checking = false;
        m_services.preferences.setDouble(kLastCheckKey, m_services.clock.now());
        scheduleNextCheck();
        const std::optional<UpdateRules::Feed> feed = reply ? UpdateRules::parseFeed(*reply) : std::nullopt;
        Notifier& notifier = m_services.notifier;
        if (feed && UpdateRules::isNewer(*feed, m_current)) {
            const QString notes = feed->notes.left(300);
            notifier.postLink(QStringLiteral("Pellow %1 is available").arg(feed->version.toString()),
                              notes.isEmpty() ? QStringLiteral("A newer Pellow is ready to download.")
                                              : notes,
                              QStringLiteral("Download"), feed->url);
        } else if (interactive) {
            notifier.post(QStringLiteral("Pellow"), feed ? QStringLiteral("Pellow is up to date")
                                                         : QStringLiteral("Couldn't check for updates"));
        }
    });
}
