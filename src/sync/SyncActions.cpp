#include "app/AppDelegate.h"

#include "core/SyncRules.h"
#include "platform/HttpClient.h"
#include "platform/PreferenceStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrlQuery>

void AppDelegate::sendSyncRequest(const QString& action, const QJsonObject& body,
                                  std::function<void(SyncReply)> done)
{
    // Replies come back on the main thread; one that arrives after the controller is gone is dropped.
    auto handler = [self = QPointer<AppDelegate>(this), done = std::move(done)](SyncReply reply) {
        if (self)
            done(std::move(reply));
    };
    if (!syncAPI.isValid()) {
        later(0, [handler] { handler(std::nullopt); });
        return;
    }
    QUrl url = syncAPI;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("action"), action);
    url.setQuery(query);
    m_platform.http.postJson(url, QJsonDocument(body).toJson(QJsonDocument::Compact), std::move(handler));
}

void AppDelegate::scheduleSyncPush()
{
    if (!m_platform.preferences.stringValue(syncTokenKey))
        return;
    if (syncPushWork)
        m_platform.scheduler.cancel(*syncPushWork);
    // A burst of changes makes one push, this long after the last of them.
    syncPushWork = later(kSyncPushDelay, [this] {
        syncPushWork.reset();
        pushTimers();
    });
}

void AppDelegate::pushTimers()
{
    PreferenceStore& prefs = m_platform.preferences;
    const std::optional<QString> token = prefs.stringValue(syncTokenKey);
    // A push while another request is out is dropped: the next change sends the whole list again.
    if (!token || syncBusy)
        return;
    const std::optional<QJsonArray> list = TimerJson::encode(timers);
    if (!list)
        return;
    syncBusy = true;
    // The revision moves on before sending and stays moved if the request fails.
    const qint64 revision = prefs.intValue(syncRevKey) + 1;
    prefs.setInt(syncRevKey, revision);
    const QJsonObject body{{QStringLiteral("token"), *token},
                           {QStringLiteral("rev"), revision},
                           {QStringLiteral("timers"), *list}};
    sendSyncRequest(QStringLiteral("push"), body, [this, token = *token](const SyncReply& reply) {
        syncBusy = false;
        // A reply for a pairing that has since been dropped or replaced changes nothing.
        if (!reply || reply->isEmpty() || m_platform.preferences.stringValue(syncTokenKey) != token)
            return;
        if (SyncRules::boolField(*reply, QStringLiteral("stale")).value_or(false)) {
            applyRemoteTimers(*reply);
            return;
        }
        if (const auto revision = SyncRules::integerField(*reply, QStringLiteral("rev")))
            m_platform.preferences.setInt(syncRevKey, *revision);
    });
}

void AppDelegate::pullTimers()
{
    const std::optional<QString> token = m_platform.preferences.stringValue(syncTokenKey);
    if (!token || syncBusy)
        return;
    syncBusy = true;
    sendSyncRequest(QStringLiteral("pull"), {{QStringLiteral("token"), *token}},
                    [this, token = *token](const SyncReply& reply) {
                        syncBusy = false;
                        PreferenceStore& prefs = m_platform.preferences;
                        if (reply && prefs.stringValue(syncTokenKey) == token &&
                            SyncRules::pullIsNewer(*reply, prefs.intValue(syncRevKey)))
                            applyRemoteTimers(*reply);
                    });
}

void AppDelegate::applyRemoteTimers(const QJsonObject& reply)
{
    // One record that does not decode refuses the whole list, revision included.
    const std::optional<TimerList> remote = SyncRules::remoteTimers(reply);
    if (!remote)
        return;
    PreferenceStore& prefs = m_platform.preferences;
    if (const auto revision = SyncRules::integerField(reply, QStringLiteral("rev")))
        prefs.setInt(syncRevKey, *revision);
    timers = *remote;
    // Stored directly, not through saveTimers: an adopted list is never pushed back.
    if (const std::optional<QJsonArray> encoded = TimerJson::encode(timers))
        prefs.setList(timersKey, *encoded);
    refresh(true);
    if (timersChanged)
        timersChanged();
}

void AppDelegate::startSyncPolling()
{
    if (syncPoll) {
        m_platform.scheduler.cancel(*syncPoll);
        syncPoll.reset();
    }
    if (!m_platform.preferences.stringValue(syncTokenKey))
        return;
    syncPoll = m_platform.scheduler.every(kSyncPollInterval, [self = QPointer<AppDelegate>(this)] {
        if (self)
            self->pullTimers();
    });
}
