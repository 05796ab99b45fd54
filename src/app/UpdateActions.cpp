#include "AppDelegate.h"

#include "platform/PreferenceStore.h"

void AppDelegate::applyUpdateFrequency(bool atLaunch)
{
    // The updater takes these settings once it is built.
    Q_UNUSED(atLaunch);
}

void AppDelegate::checkForUpdates()
{
    // An interactive check arrives with the updater.
}

void AppDelegate::setUpdateFrequency(const MenuItem& sender)
{
    if (sender.representedObject.typeId() != QMetaType::QString)
        return;
    updateFrequency = sender.representedObject.toString();
    m_platform.preferences.setString(updateFrequencyKey, updateFrequency);
    applyUpdateFrequency(updateFrequency == QLatin1String("start"));
    if (statusItem)
        statusItem->setMenu(buildStatusMenu(false));
}
