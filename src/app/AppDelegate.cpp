#include "AppDelegate.h"
#include "Updater.h"

#include "hud/HUDArrowPanel.h"
#include "hud/HUDFonts.h"
#include "sync/PairingWindow.h"

#include "core/TickRules.h"
#include "core/TimeTexts.h"
#include "platform/Clock.h"
#include "platform/LocalSyncServer.h"
#include "platform/Notifier.h"
#include "platform/PreferenceStore.h"
#include "platform/TrayItem.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QWidget>

AppDelegate::AppDelegate(Platform platform, QObject* parent)
    : QObject(parent), m_platform(std::move(platform))
{
    m_platform.preferences.setWriteFailedHandler([this](const QString& reason) {
        postNotice(QStringLiteral("Couldn't save your timers and settings (%1). Pellow keeps them and "
                                  "tries again with the next change.")
                       .arg(reason));
    });
    m_platform.localServer.setGaveUpHandler([this](const QString& why) {
        postNotice(
            QStringLiteral("The phone is not syncing: %1. Choose \u201cSync with phone\u2026\u201d to start "
                           "it again.")
                .arg(why));
    });
}

AppDelegate::~AppDelegate()
{
    m_platform.preferences.setWriteFailedHandler({});
    m_platform.localServer.setGaveUpHandler({});
    // The windows are top-level and parentless; the controller owns them.
    delete hudPromptWindow.data();
    delete newTimerWindow.data();
    delete soundsPanel.data();
    delete colorPanel.data();
    delete pairingDialog.data();
    delete timerHUDWindow.data();
    if (timerTick)
        m_platform.scheduler.cancel(*timerTick);
    if (alertShot)
        m_platform.scheduler.cancel(*alertShot);
    if (syncPoll)
        m_platform.scheduler.cancel(*syncPoll);
    if (syncPushWork)
        m_platform.scheduler.cancel(*syncPushWork);
}

double AppDelegate::now() const
{
    return m_platform.clock.now();
}

Scheduler::TaskId AppDelegate::later(double seconds, std::function<void()> task)
{
    return m_platform.scheduler.after(seconds, [self = QPointer<AppDelegate>(this), task = std::move(task)] {
        if (self)
            task();
    });
}

void AppDelegate::applicationDidFinishLaunching()
{
    statusItem = &m_platform.tray;
    statusItem->setIcon(TrayItem::Icon::Timer);
    const QPointer<AppDelegate> self(this);
    TrayItem::Handlers handlers;
    handlers.action = [self](const MenuItem& item) {
        if (self)
            self->performMenuAction(item);
    };
    // The tick never rebuilds the menu, so it is rebuilt as it opens, with the times of now.
    handlers.aboutToShow = [self] {
        if (self)
            self->stopRinging();
        if (self && self->statusItem)
            self->statusItem->setMenu(self->buildStatusMenu(false));
    };
    handlers.secondaryActivate = [self] {
        if (self)
            self->toggleTimerHUD();
    };
    statusItem->setHandlers(std::move(handlers));
    registerDefaults();
    loadTimers();
    updateFrequency =
        m_platform.preferences.stringValue(updateFrequencyKey).value_or(QStringLiteral("start"));
    // The first menu comes after the catch-up, so an overdue countdown already reads finished.
    catchUpTimers();
    rebuildStatusMenu();
    watchScreens();
    loadSyncServer();
    startSyncPolling();
    applyUpdateFrequency(true);
    // Panels come up at login alongside Pellow: give the tray a moment before deciding it is not there.
    later(kTrayGraceSeconds, [this] { offerHUDWithoutTray(); });
}

void AppDelegate::offerHUDWithoutTray()
{
    if (!statusItem || statusItem->hasButton())
        return;
    postNotice(QStringLiteral("Pellow is running, but this desktop shows no tray icons. Use the HUD or run "
                              "pellow again to add a timer."));
    if (!m_platform.preferences.boolValue(timerHUDVisibleKey)) {
        m_platform.preferences.setBool(timerHUDVisibleKey, true);
        refresh(true);
    }
}

void AppDelegate::registerDefaults()
{
    m_platform.preferences.registerDefaults({
        {timerInMenuBarKey, true},
        {trayClockStyleKey, QStringLiteral("auto")},
        {timerDisplayKey, QStringLiteral("left+end")},
        {timerHUDSizeKey, QStringLiteral("compact")},
        {timerHUDCornerKey, 1},
        {timerHUDAlphaKey, 1.0},
        {timerWarnMinutesKey, QJsonArray{10.0, 5.0}},
        {soundFinishKey, QStringLiteral("chime")},
        {soundHalfwayKey, QStringLiteral("tap")},
        {soundWarnKey, QStringLiteral("ping")},
        {soundChirpCountKey, true},
        {soundFinishRepeatKey, false},
    });
}

void AppDelegate::loadTimers()
{
    PreferenceStore& prefs = m_platform.preferences;
    if (!prefs.isStored(timersKey))
        return;
    const QJsonValue stored = prefs.value(timersKey);
    const auto decoded = stored.isArray() ? TimerJson::decode(stored.toArray()) : std::nullopt;
    if (decoded)
        timers = *decoded;
    else
        keepUndecodableTimersAside(stored);
}

// A stored list this version cannot read is copied under a key of its own before anything can
// replace it, so the next save never destroys the user's timers.
void AppDelegate::keepUndecodableTimersAside(const QJsonValue& stored)
{
    PreferenceStore& prefs = m_platform.preferences;
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString key = timersKey + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; prefs.isStored(key); ++n)
        key = timersKey + QStringLiteral(".unreadable-%1-%2").arg(stamp).arg(n);
    prefs.setValue(key, stored);
}

void AppDelegate::catchUpTimers()
{
    const double t = now();
    for (qsizetype i = 0; i < timers.size(); ++i) {
        const PellowTimer& timer = timers[i];
        if (timer.running && timer.isCountdown() && !(timer.duration > TimeTexts::elapsedSeconds(timer, t)))
            finishTimer(i, true);
    }
    saveTimers();
    refresh(false);
}

void AppDelegate::saveTimers()
{
    const auto encoded = TimerJson::encode(timers);
    if (!encoded) {
        // Nothing is stored or sent until the list encodes again: said once, not at every tick.
        if (!m_saveFailureReported)
            postNotice(QStringLiteral("Pellow can't save the timers: a time in the list is out of range. "
                                      "Changes are not kept until that timer is reset or removed."));
        m_saveFailureReported = true;
        return;
    }
    m_saveFailureReported = false;
    m_platform.preferences.setList(timersKey, *encoded);
    scheduleSyncPush();
    if (timersChanged)
        timersChanged();
}

void AppDelegate::commitChange()
{
    saveTimers();
    refresh(true);
}

void AppDelegate::refresh(bool rebuildMenu)
{
    readySoundsOnceRunning();
    scheduleTick();
    scheduleAlertShot();
    updateStatusTitle();
    rebuildHUD();
    if (rebuildMenu)
        rebuildStatusMenu();
}

void AppDelegate::quit()
{
    QCoreApplication::quit();
}

void AppDelegate::activateFromSecondLaunch()
{
    // Starting Pellow again is a way to ask for a new timer.
    newTimer();
}

void AppDelegate::postNotice(const QString& text)
{
    m_platform.notifier.post(QStringLiteral("Pellow"), text);
}
