#include "app/AppDelegate.h"

#include "core/StatusTitle.h"
#include "platform/Clock.h"
#include "platform/PreferenceStore.h"

std::optional<qsizetype> AppDelegate::clockTimer() const
{
    return StatusTitle::clockTimer(timers, now());
}

void AppDelegate::updateStatusTitle()
{
    // Set even while no panel shows the item yet: it shows what it was told once one does.
    if (!statusItem)
        return;
    const PreferenceStore& prefs = m_platform.preferences;
    // The item passes these on only when they change.
    statusItem->setClockStyle(
        TrayLook::clockStyleFrom(prefs.stringValue(trayClockStyleKey).value_or(QString())));
    statusItem->setToolTip(StatusTitle::toolTip(timers, now(), QLocale::system()));
    const QString title = StatusTitle::title(timers, now(), prefs.boolValue(timerInMenuBarKey));
    // Only a changed title touches the item, so a paused clock is not re-set every second.
    if (title == statusItem->title())
        return;
    statusItem->setTitle(title, !title.isEmpty());
}

void AppDelegate::toggleTimerInMenuBar()
{
    PreferenceStore& prefs = m_platform.preferences;
    prefs.setBool(timerInMenuBarKey, !prefs.boolValue(timerInMenuBarKey));
    if (statusItem)
        statusItem->setTitle(QString(), false);
    refresh(true);
}

void AppDelegate::setTrayClockStyle(const MenuItem& sender)
{
    const TrayLook::ClockStyle style = TrayLook::clockStyleFrom(sender.representedObject.toString());
    m_platform.preferences.setString(trayClockStyleKey, TrayLook::clockStyleName(style));
    refresh(true);
}
