#include "app/AppDelegate.h"

#include "core/SyncRules.h"
#include "platform/HttpClient.h"
#include "platform/PreferenceStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrlQuery>

AppDelegate::SyncTarget AppDelegate::syncTarget() const
{
    return {syncAPI, m_platform.preferences.stringValue(syncTokenKey)};
}

void AppDelegate::sendSyncRequest(const QString& action, const QJsonObject& body,
                                  std::function<void(SyncReply)> done)
{
    // Replies come back on the main thread; one that arrives after the controller is gone is
    // dropped, and one for a server or token since replaced counts as none.
    auto handler = [self = QPointer<AppDelegate>(this), sent = syncTarget(),
                    done = std::move(done)](SyncReply reply) {
        if (!self)
            return;
        if (self->syncTarget() != sent)
            reply.reset();
        if (done)
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
    if (!token)
        return;
    // One request at a time: a push asked for while another is out goes as soon as it ends.
    if (syncBusy) {
        syncPushOwed = true;
        return;
    }
    syncPushOwed = false;
    const std::optional<QJsonArray> list = TimerJson::encode(timers);
    if (!list) {
        syncPushUnsent = false; // saveTimers has said so; the polls go on pulling
        return;
    }
    syncBusy = true;
    // The revision is the server's to confirm: it is stored only when a reply says so, so a push
    // that fails leaves this side at the revision the server last agreed to.
    const qint64 revision = prefs.intValue(syncRevKey) + 1;
    const QJsonObject body{{QStringLiteral("token"), *token},
                           {QStringLiteral("rev"), revision},
                           {QStringLiteral("timers"), *list}};
    sendSyncRequest(QStringLiteral("push"), body, [this](const SyncReply& reply) {
        syncBusy = false;
        // Nothing came back, so the change may never have arrived: the next poll sends the list
        // again instead of pulling. A reply, even a refusal, ends it.
        syncPushUnsent = !reply;
        switch (reply ? SyncRules::pushOutcome(*reply) : SyncRules::Outcome::Keep) {
        case SyncRules::Outcome::Adopt:
            applyRemoteTimers(*reply);
            break;
        case SyncRules::Outcome::Confirm:
            m_platform.preferences.setInt(syncRevKey,
                                          *SyncRules::integerField(*reply, QStringLiteral("rev")));
            break;
        case SyncRules::Outcome::Keep:
            break;
        }
        syncRequestEnded();
    });
}

void AppDelegate::pullTimers()
{
    const std::optional<QString> token = m_platform.preferences.stringValue(syncTokenKey);
    if (!token || syncBusy)
        return;
    // A change the server may not have is sent first; its reply brings the server's list if newer.
    if (syncPushUnsent) {
        pushTimers();
        return;
    }
    syncBusy = true;
    sendSyncRequest(
        QStringLiteral("pull"), {{QStringLiteral("token"), *token}}, [this](const SyncReply& reply) {
            syncBusy = false;
            if (reply && SyncRules::pullOutcome(*reply, m_platform.preferences.intValue(syncRevKey)) ==
                             SyncRules::Outcome::Adopt)
                applyRemoteTimers(*reply);
            syncRequestEnded();
        });
}

void AppDelegate::syncRequestEnded()
{
    if (syncPushOwed)
        pushTimers();
}

void AppDelegate::applyRemoteTimers(const QJsonObject& reply)
{
    // One record that does not decode, or a list out of bounds, refuses the whole list, revision included.
    const std::optional<TimerList> remote = SyncRules::remoteTimers(reply);
    if (!remote)
        return;
    PreferenceStore& prefs = m_platform.preferences;
    if (const auto revision = SyncRules::integerField(reply, QStringLiteral("rev")))
        prefs.setInt(syncRevKey, *revision);
    timers = *remote;
    // A change not yet sent was made on the list this one replaces: it goes with it.
    syncPushOwed = false;
    syncPushUnsent = false;
    if (syncPushWork) {
        m_platform.scheduler.cancel(*syncPushWork);
        syncPushWork.reset();
    }
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
