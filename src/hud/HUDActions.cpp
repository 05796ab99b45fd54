#include "app/AppDelegate.h"

#include "platform/PreferenceStore.h"

#include <QWidget>

void AppDelegate::toggleTimerHUD()
{
    PreferenceStore& prefs = platform().preferences;
    const bool visible = !prefs.boolValue(timerHUDVisibleKey);
    prefs.setBool(timerHUDVisibleKey, visible);
    if (!visible && timerHUDWindow)
        timerHUDWindow->hide();
    refresh(true);
}
