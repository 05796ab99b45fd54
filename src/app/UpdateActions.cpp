#include "AppDelegate.h"

#include "app/Updater.h"
#include "core/UpdateRules.h"
#include "platform/PreferenceStore.h"

Updater& AppDelegate::updater()
{
    if (!updaterController)
        updaterController = std::make_unique<Updater>(
            Updater::Services{m_platform.clock, m_platform.scheduler, m_platform.preferences,
                              m_platform.notifier, m_platform.updateHttp},
            QUrl(QStringLiteral(PELLOW_UPDATE_FEED)),
            QVersionNumber::fromString(QStringLiteral(PELLOW_VERSION)));
    return *updaterController;
}

void AppDelegate::applyUpdateFrequency(bool atLaunch)
{
    if (!kUpdateChecksBuiltIn)
        return;
    Updater& checker = updater();
    if (const std::optional<double> interval = UpdateRules::checkInterval(updateFrequency)) {
        checker.setUpdateCheckInterval(*interval);
        checker.setAutomaticallyChecksForUpdates(true);
        return;
    }
    checker.setAutomaticallyChecksForUpdates(false);
    // "On every launch", and any value this version does not know, check once, shortly after launch.
    if (atLaunch && updateFrequency != QLatin1String("never"))
        later(kLaunchUpdateCheckDelay, [this] { updater().checkForUpdatesInBackground(); });
}

void AppDelegate::checkForUpdates()
{
    if (kUpdateChecksBuiltIn)
        updater().checkForUpdates();
}

void AppDelegate::setUpdateFrequency(const MenuItem& sender)
{
    if (sender.representedObject.typeId() != QMetaType::QString)
        return;
    updateFrequency = sender.representedObject.toString();
    m_platform.preferences.setString(updateFrequencyKey, updateFrequency);
    applyUpdateFrequency(updateFrequency == QLatin1String("start"));
    rebuildStatusMenu();
}
