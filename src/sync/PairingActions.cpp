#include "app/AppDelegate.h"

#include "core/SyncRules.h"
#include "platform/LocalSyncServer.h"
#include "platform/PreferenceStore.h"

#include "sync/PairingWindow.h"

#include <QPointer>

void AppDelegate::pairWithPhone()
{
    ++pairingRound;
    const auto pair = [this] {
        // No token goes with it, also when already paired: a new pairing replaces the old one. A
        // reply that comes after the server or the pairing changed is dropped without a word: the
        // user has moved on, and a token is only ever used with the server that issued it.
        sendSyncRequest(QStringLiteral("pair"), {}, [this, sent = syncTarget()](const SyncReply& reply) {
            if (syncTarget() == sent)
                pairingReplied(reply);
        });
    };
    if (!syncsLocally()) {
        pair();
        return;
    }
    startLocalSyncServer([self = QPointer<AppDelegate>(this), pair](bool listening) {
        if (self && listening)
            pair();
    });
}

void AppDelegate::pairingReplied(const SyncReply& reply)
{
    const std::optional<SyncRules::Pairing> pairing = SyncRules::pairing(reply);
    if (!pairing) {
        postNotice(syncsLocally() ? QStringLiteral("Couldn't start pairing with Pellow's own sync server")
                                  : QStringLiteral("Couldn't reach %1 to start pairing").arg(syncAPI.host()));
        return;
    }
    PreferenceStore& prefs = m_platform.preferences;
    prefs.setString(syncTokenKey, pairing->token);
    prefs.setInt(syncRevKey, 0);
    // Syncing runs before the dialog shows: the server has this list as revision 1 at once.
    pushTimers();
    startSyncPolling();
    rebuildStatusMenu();
    showPairingDialog(pairing->code);
}

void AppDelegate::showPairingDialog(const QString& code)
{
    delete pairingDialog.data();
    auto* window = new PairingWindow({phonePageAddress(), code, syncsLocally()});
    pairingDialog = window;
    // Shown without a nested event loop; the tick and the poll keep running while it is open.
    window->show();
    window->raise();
    window->activateWindow();
}

void AppDelegate::unpairPhone()
{
    PreferenceStore& prefs = m_platform.preferences;
    // Pellow's own server runs only while a phone is paired with it: it stops once it has heard
    // the leave (unless a new pairing has begun meanwhile).
    const auto stopLocalServer = [self = QPointer<AppDelegate>(this), local = syncsLocally(),
                                  round = ++pairingRound](const SyncReply&) {
        if (self && local && self->pairingRound == round)
            self->m_platform.localServer.stop();
    };
    // Asks the server to forget the whole group, so a phone that still holds a token of it stops
    // syncing too. Best effort: stopping here does not wait for it, and a failure changes nothing.
    if (const std::optional<QString> token = prefs.stringValue(syncTokenKey))
        sendSyncRequest(QStringLiteral("leave"), {{QStringLiteral("token"), *token}}, stopLocalServer);
    else
        stopLocalServer(std::nullopt);
    prefs.remove(syncTokenKey);
    prefs.remove(syncRevKey);
    syncPushOwed = false;
    syncPushUnsent = false;
    if (syncPoll) {
        m_platform.scheduler.cancel(*syncPoll);
        syncPoll.reset();
    }
    rebuildStatusMenu();
    // A push still waiting finds no token and sends nothing.
    postNotice(QStringLiteral("The phone is no longer syncing"));
}
