#include "app/AppDelegate.h"

#include "platform/PreferenceStore.h"

void AppDelegate::unpairPhone()
{
    PreferenceStore& prefs = m_platform.preferences;
    prefs.remove(syncTokenKey);
    prefs.remove(syncRevKey);
    if (syncPoll) {
        m_platform.scheduler.cancel(*syncPoll);
        syncPoll.reset();
    }
    if (statusItem)
        statusItem->setMenu(buildStatusMenu(false));
    // A push still waiting finds no token and sends nothing.
    postNotice(QStringLiteral("The phone is no longer syncing"));
}

void AppDelegate::pairWithPhone()
{
    // Pairing talks to the sync server, which the sync client brings.
}

void AppDelegate::pullTimers()
{
    // Pulling arrives with the sync client; unpaired there is nothing to pull.
}
