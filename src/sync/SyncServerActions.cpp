#include "app/AppDelegate.h"

#include "core/SyncRules.h"
#include "platform/HttpClient.h"
#include "platform/PreferenceStore.h"

void AppDelegate::loadSyncServer()
{
    PreferenceStore& prefs = m_platform.preferences;
    m_platform.http.setExtraCertificates(prefs.stringValue(syncServerCertificateKey).value_or(QString()));
    const QString stored = prefs.stringValue(syncServerKey).value_or(SyncRules::kDefaultServer);
    if (const std::optional<QUrl> server = SyncRules::serverAddress(stored)) {
        syncAPI = SyncRules::endpoint(*server);
        return;
    }
    // A token is never sent anywhere but to the server it came from: an address that cannot be
    // used stops syncing until the user gives a new one.
    syncAPI = QUrl();
    postNotice(
        QStringLiteral("The sync server address \u201c%1\u201d isn't an https address, so Pellow isn't "
                       "syncing. Choose \u201cSync server\u2026\u201d to set it again.")
            .arg(stored));
}

void AppDelegate::chooseSyncServer()
{
    const QString current =
        m_platform.preferences.stringValue(syncServerKey).value_or(SyncRules::kDefaultServer);
    showPrompt(QStringLiteral("Sync server"),
               QStringLiteral("The server Pellow and your phone sync through. Leave it empty for %1.")
                   .arg(SyncRules::kDefaultServer),
               {{QStringLiteral("Server address"), SyncRules::kDefaultServer, current}},
               QStringLiteral("Use it"),
               [self = QPointer<AppDelegate>(this), current](const QStringList& values) {
                   if (!self)
                       return;
                   const QString typed = values.value(0).trimmed();
                   const std::optional<QUrl> server =
                       SyncRules::serverAddress(typed.isEmpty() ? SyncRules::kDefaultServer : typed);
                   if (!server) {
                       self->postNotice(QStringLiteral("That isn't an https address"));
                       return;
                   }
                   const QString address = server->toString();
                   if (address == SyncRules::serverAddress(current).value_or(QUrl()).toString() &&
                       self->syncAPI.isValid())
                       return;
                   PreferenceStore& prefs = self->m_platform.preferences;
                   // A token belongs to the server that issued it: the pairing ends there first.
                   if (prefs.stringValue(self->syncTokenKey))
                       self->unpairPhone();
                   if (address == SyncRules::kDefaultServer)
                       prefs.remove(self->syncServerKey);
                   else
                       prefs.setString(self->syncServerKey, address);
                   self->syncAPI = SyncRules::endpoint(*server);
                   self->rebuildStatusMenu();
               });
}
