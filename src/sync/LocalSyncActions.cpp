#include "app/AppDelegate.h"

#include "core/LocalNetwork.h"
#include "core/SyncRules.h"
#include "platform/LocalSyncServer.h"
#include "platform/PreferenceStore.h"

bool AppDelegate::syncsLocally() const
{
    return m_platform.preferences.stringValue(syncServerKey).value_or(QString()).isEmpty();
}

void AppDelegate::startLocalSyncServer(std::function<void(bool)> then)
{
    PreferenceStore& prefs = m_platform.preferences;
    // The address is chosen afresh each time: the computer may have moved to another network.
    const QString address = LocalNetwork::chooseAddress(m_platform.localServer.interfaces())
                                .value_or(QStringLiteral("127.0.0.1"));
    const qint64 stored = prefs.intValue(syncLocalPortKey);
    const bool kept = stored > 0 && stored <= 65535;
    const quint16 port = kept ? quint16(stored) : kLocalSyncPort;
    auto started = [self = QPointer<AppDelegate>(this), then, address, kept](std::optional<quint16> bound) {
        if (!self)
            return;
        if (!bound && !kept) {
            // The usual port is taken: any free one will do, and is kept from now on.
            self->m_platform.localServer.start(address, 0, [self, then, address](std::optional<quint16> any) {
                if (self)
                    self->localSyncServerStarted(address, any, then);
            });
            return;
        }
        self->localSyncServerStarted(address, bound, then);
    };
    m_platform.localServer.start(address, port, std::move(started));
}

void AppDelegate::localSyncServerStarted(const QString& address, std::optional<quint16> port,
                                         const std::function<void(bool)>& then)
{
    if (!port) {
        syncAPI = QUrl();
        postNotice(QStringLiteral("Couldn't start Pellow's sync server for the phone. Is the "
                                  "pellow-sync-server package installed?"));
        then(false);
        return;
    }
    m_platform.preferences.setInt(syncLocalPortKey, *port);
    localSyncAddress = address;
    // Pellow itself talks to it over loopback; only the phone uses the network address.
    QUrl loopback;
    loopback.setScheme(QStringLiteral("http"));
    loopback.setHost(QStringLiteral("127.0.0.1"));
    loopback.setPort(*port);
    syncAPI = SyncRules::endpoint(loopback);
    then(true);
}

QUrl AppDelegate::phonePageAddress() const
{
    QUrl page;
    if (syncsLocally()) {
        page.setScheme(QStringLiteral("http"));
        page.setHost(localSyncAddress);
        page.setPort(syncAPI.port());
        page.setPath(QStringLiteral("/"));
        return page;
    }
    page = SyncRules::serverAddress(m_platform.preferences.stringValue(syncServerKey).value_or(QString()))
               .value_or(QUrl());
    page.setPath(page.path() + QStringLiteral("/"));
    return page;
}
