#include "app/AppDelegate.h"

#include "core/HUDMenuModel.h"
#include "core/StatusMenuModel.h"
#include "platform/Autostart.h"
#include "platform/Clock.h"
#include "platform/PreferenceStore.h"
#include "platform/Screens.h"

#include <QHash>

StatusMenuState AppDelegate::statusMenuState() const
{
    const PreferenceStore& prefs = m_platform.preferences;
    StatusMenuState state;
    state.timers = timers;
    state.now = now();
    state.hudVisible = prefs.boolValue(timerHUDVisibleKey);
    state.clockInMenuBar = prefs.boolValue(timerInMenuBarKey);
    state.chirpCount = prefs.boolValue(soundChirpCountKey);
    state.finishRepeat = prefs.boolValue(soundFinishRepeatKey);
    state.paired = prefs.stringValue(syncTokenKey).has_value();
    state.warnMarks = warnMarks();
    state.soundFinish = prefs.stringValue(soundFinishKey).value_or(QString());
    state.soundHalfway = prefs.stringValue(soundHalfwayKey).value_or(QString());
    state.soundWarn = prefs.stringValue(soundWarnKey).value_or(QString());
    state.updateFrequency = updateFrequency;
    state.updatesOffered = kUpdateChecksBuiltIn;
    state.openAtLogin = m_platform.autostart.isEnabled();
    state.trayClockStyle = prefs.stringValue(trayClockStyleKey).value_or(QString());
    const QList<HUDPlacement::Screen> screens = Screens::hudScreens();
    state.screenCount = static_cast<int>(screens.size());
    if (screens.size() >= 2)
        state.hudScreenMenu =
            HUDMenuModel::hudScreenMenu(timerHUDScreenKey, storedInt(timerHUDScreenKey), screens);
    return state;
}

Menu AppDelegate::buildStatusMenu(bool forDock) const
{
    return StatusMenuModel::buildStatusMenu(statusMenuState(), forDock);
}

void AppDelegate::rebuildStatusMenu()
{
    if (statusItem)
        statusItem->setMenu(buildStatusMenu(false));
}

namespace {

using Handler = void (*)(AppDelegate&, const MenuItem&);

// Every action a menu item may name, with the operation it runs.
const QHash<QString, Handler>& menuActionHandlers()
{
    static const QHash<QString, Handler> handlers = {
        {QStringLiteral("timerToggleRun:"), [](AppDelegate& d, const MenuItem& i) { d.timerToggleRun(i); }},
        {QStringLiteral("timerStartOver:"), [](AppDelegate& d, const MenuItem& i) { d.timerStartOver(i); }},
        {QStringLiteral("timerReset:"), [](AppDelegate& d, const MenuItem& i) { d.timerReset(i); }},
        {QStringLiteral("timerToggleMode:"), [](AppDelegate& d, const MenuItem& i) { d.timerToggleMode(i); }},
        {QStringLiteral("timerSetLength:"), [](AppDelegate& d, const MenuItem& i) { d.timerSetLength(i); }},
        {QStringLiteral("timerRemove:"), [](AppDelegate& d, const MenuItem& i) { d.timerRemove(i); }},
        {QStringLiteral("pauseAllTimers"), [](AppDelegate& d, const MenuItem&) { d.pauseAllTimers(); }},
        {QStringLiteral("startAllTimers"), [](AppDelegate& d, const MenuItem&) { d.startAllTimers(); }},
        {QStringLiteral("toggleWarnMark:"), [](AppDelegate& d, const MenuItem& i) { d.toggleWarnMark(i); }},
        {QStringLiteral("toggleTimerInMenuBar"),
         [](AppDelegate& d, const MenuItem&) { d.toggleTimerInMenuBar(); }},
        {QStringLiteral("setSound:"), [](AppDelegate& d, const MenuItem& i) { d.setSound(i); }},
        {QStringLiteral("toggleChirpCount"), [](AppDelegate& d, const MenuItem&) { d.toggleChirpCount(); }},
        {QStringLiteral("toggleFinishRepeat"),
         [](AppDelegate& d, const MenuItem&) { d.toggleFinishRepeat(); }},
        {QStringLiteral("quit"), [](AppDelegate& d, const MenuItem&) { d.quit(); }},
        {QStringLiteral("timerRename:"), [](AppDelegate& d, const MenuItem& i) { d.timerRename(i); }},
        {QStringLiteral("timerCustomLength:"),
         [](AppDelegate& d, const MenuItem& i) { d.timerCustomLength(i); }},
        {QStringLiteral("setTimerColor:"), [](AppDelegate& d, const MenuItem& i) { d.setTimerColor(i); }},
        {QStringLiteral("timerPickColor:"), [](AppDelegate& d, const MenuItem& i) { d.timerPickColor(i); }},
        {QStringLiteral("newTimer"), [](AppDelegate& d, const MenuItem&) { d.newTimer(); }},
        {QStringLiteral("timerSetupAgain:"), [](AppDelegate& d, const MenuItem& i) { d.timerSetupAgain(i); }},
        {QStringLiteral("timerEndAt:"), [](AppDelegate& d, const MenuItem& i) { d.timerEndAt(i); }},
        {QStringLiteral("openSoundsPanel"), [](AppDelegate& d, const MenuItem&) { d.openSoundsPanel(); }},
        {QStringLiteral("toggleTimerHUD"), [](AppDelegate& d, const MenuItem&) { d.toggleTimerHUD(); }},
        {QStringLiteral("hideTimerHUD"), [](AppDelegate& d, const MenuItem&) { d.hideTimerHUD(); }},
        {QStringLiteral("setTimerDisplay:"), [](AppDelegate& d, const MenuItem& i) { d.setTimerDisplay(i); }},
        {QStringLiteral("setTimerHUDWidth:"),
         [](AppDelegate& d, const MenuItem& i) { d.setTimerHUDWidth(i); }},
        {QStringLiteral("resetTimerHUDSize"), [](AppDelegate& d, const MenuItem&) { d.resetTimerHUDSize(); }},
        {QStringLiteral("setTimerHUDSize:"), [](AppDelegate& d, const MenuItem& i) { d.setTimerHUDSize(i); }},
        {QStringLiteral("setTimerHUDAlpha:"),
         [](AppDelegate& d, const MenuItem& i) { d.setTimerHUDAlpha(i); }},
        {QStringLiteral("snapTimerHUD:"), [](AppDelegate& d, const MenuItem& i) { d.snapTimerHUD(i); }},
        {QStringLiteral("cycleTimerHUDCorner"),
         [](AppDelegate& d, const MenuItem&) { d.cycleTimerHUDCorner(); }},
        {QStringLiteral("setHUDScreen:"), [](AppDelegate& d, const MenuItem& i) { d.setHUDScreen(i); }},
        {QStringLiteral("pairWithPhone"), [](AppDelegate& d, const MenuItem&) { d.pairWithPhone(); }},
        {QStringLiteral("pullTimers"), [](AppDelegate& d, const MenuItem&) { d.pullTimers(); }},
        {QStringLiteral("unpairPhone"), [](AppDelegate& d, const MenuItem&) { d.unpairPhone(); }},
        {QStringLiteral("chooseSyncServer"), [](AppDelegate& d, const MenuItem&) { d.chooseSyncServer(); }},
        {QStringLiteral("setTrayClockStyle:"),
         [](AppDelegate& d, const MenuItem& i) { d.setTrayClockStyle(i); }},
        {QStringLiteral("toggleOpenAtLogin"), [](AppDelegate& d, const MenuItem&) { d.toggleOpenAtLogin(); }},
        {QStringLiteral("checkForUpdates"), [](AppDelegate& d, const MenuItem&) { d.checkForUpdates(); }},
        {QStringLiteral("setUpdateFrequency:"),
         [](AppDelegate& d, const MenuItem& i) { d.setUpdateFrequency(i); }},
    };
    return handlers;
}

} // namespace

bool AppDelegate::handlesMenuAction(const QString& action)
{
    return menuActionHandlers().contains(action);
}

bool AppDelegate::performMenuAction(const MenuItem& item)
{
    const QHash<QString, Handler>& handlers = menuActionHandlers();
    const auto it = handlers.constFind(item.action);
    if (it == handlers.constEnd())
        return false;
    (*it)(*this, item);
    return true;
}
