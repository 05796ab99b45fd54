#include "app/AppDelegate.h"

#include "core/SyncRules.h"
#include "platform/HttpClient.h"
#include "platform/PreferenceStore.h"

void AppDelegate::loadSyncServer()
{
    PreferenceStore& prefs = m_platform.preferences;
    m_platform.http.setExtraCertificates(prefs.stringValue(syncServerCertificateKey).value_or(QString()));
    syncAPI = QUrl();
    if (syncsLocally()) {
        // Pellow's own server runs while a phone is paired with it.
        if (prefs.stringValue(syncTokenKey))
            startLocalSyncServer([](bool) {});
        return;
    }
    const QString stored = prefs.stringValue(syncServerKey).value_or(QString());
    if (const std::optional<QUrl> server = SyncRules::serverAddress(stored)) {
        syncAPI = SyncRules::endpoint(*server);
        return;
    }
    // A token is never sent anywhere but to the server it came from: an address that cannot be
    // used stops syncing until the user gives a new one.
    postNotice(
        QStringLiteral("The sync server address \u201c%1\u201d isn't an https address, so Pellow isn't "
                       "syncing. Choose \u201cSync server\u2026\u201d to set it again.")
            .arg(stored));
}

void AppDelegate::chooseSyncServer()
{
    const QString current = m_platform.preferences.stringValue(syncServerKey).value_or(QString());
    showPrompt(QStringLiteral("Sync server"),
               QStringLiteral("The server Pellow and your phone sync through. Leave it empty for this "
                              "computer: Pellow then serves the phone on the local network itself."),
               {{QStringLiteral("Server address"), QStringLiteral("This computer"), current}},
               QStringLiteral("Use it"),
               [self = QPointer<AppDelegate>(this), current](const QStringList& values) {
                   if (!self)
                       return;
                   const QString typed = values.value(0).trimmed();
                   std::optional<QUrl> server;
                   if (!typed.isEmpty()) {
                       server = SyncRules::serverAddress(typed);
                       if (!server) {
                           self->postNotice(QStringLiteral("That isn't an https address"));
                           return;
                       }
                   }
                   const QString address = server ? server->toString() : QString();
                   const QString was = current.isEmpty()
                                           ? QString()
                                           : SyncRules::serverAddress(current).value_or(QUrl()).toString();
                   if (address == was && (self->syncAPI.isValid() || address.isEmpty()))
                       return;
                   PreferenceStore& prefs = self->m_platform.preferences;
                   const bool paired = prefs.stringValue(self->syncTokenKey).has_value();
                   // A token belongs to the server that issued it.
                   if (paired)
                       self->unpairPhone();
                   if (address.isEmpty())
                       prefs.remove(self->syncServerKey);
                   else
                       prefs.setString(self->syncServerKey, address);
                   self->loadSyncServer();
                   if (!paired)
                       self->rebuildStatusMenu();
               });
}
