#include "app/AppDelegate.h"

#include "core/SyncRules.h"
#include "platform/LocalSyncServer.h"
#include "platform/PreferenceStore.h"

#include "sync/PairingWindow.h"

#include <QPointer>

void AppDelegate::pairWithPhone()
{
    const auto pair = [this] {
        // No token goes with it, also when already paired: a new pairing replaces the old one.
        sendSyncRequest(QStringLiteral("pair"), {},
                        [this](const SyncReply& reply) { pairingReplied(reply); });
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
    prefs.remove(syncTokenKey);
    prefs.remove(syncRevKey);
    if (syncPoll) {
        m_platform.scheduler.cancel(*syncPoll);
        syncPoll.reset();
    }
    // Pellow's own server runs only while a phone is paired with it.
    if (syncsLocally())
        m_platform.localServer.stop();
    rebuildStatusMenu();
    // A push still waiting finds no token and sends nothing.
    postNotice(QStringLiteral("The phone is no longer syncing"));
}
