#pragma once

#include "Platform.h"
#include "core/MenuModel.h"
#include "core/PellowTimer.h"
#include "platform/Scheduler.h"
#include "platform/TrayItem.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QUrl>

#include <functional>

#include <optional>

class QWidget;
class QLineEdit;

// The one owner of Pellow's state: the timer list, the tray item, every window and timer.
// Its operations are spread over the subsystem folders, one source file per concern.
class AppDelegate final : public QObject
{
public:
    explicit AppDelegate(Platform platform, QObject* parent = nullptr);
    ~AppDelegate() override;

    // --- Preference keys: every read and write of a preference goes through these. ---
    const QString updateFrequencyKey = QStringLiteral("updateFrequency");
    const QString timersKey = QStringLiteral("timers");
    const QString timerWarnMinutesKey = QStringLiteral("timerWarnMinutes");
    const QString soundFinishKey = QStringLiteral("soundFinish");
    const QString soundHalfwayKey = QStringLiteral("soundHalfway");
    const QString soundWarnKey = QStringLiteral("soundWarn");
    const QString soundChirpCountKey = QStringLiteral("soundChirpCount");
    const QString timerInMenuBarKey = QStringLiteral("timerInMenuBar");
    const QString timerHUDVisibleKey = QStringLiteral("timerHUDVisible");
    const QString timerDisplayKey = QStringLiteral("timerDisplay");
    const QString timerHUDSizeKey = QStringLiteral("timerHUDSize");
    const QString timerHUDWidthKey = QStringLiteral("timerHUDWidth");
    const QString timerHUDAlphaKey = QStringLiteral("timerHUDAlpha");
    const QString timerHUDCornerKey = QStringLiteral("timerHUDCorner");
    const QString timerHUDXKey = QStringLiteral("timerHUDOriginX");
    const QString timerHUDYKey = QStringLiteral("timerHUDOriginY");
    const QString timerHUDScreenKey = QStringLiteral("timerHUDScreen");
    const QString syncTokenKey = QStringLiteral("syncToken");
    const QString syncRevKey = QStringLiteral("syncRev");

    // --- Launch, save, refresh (app/AppDelegate.cpp) ---
    void applicationDidFinishLaunching();
    void registerDefaults();
    void loadTimers();
    void catchUpTimers();
    void saveTimers();
    void refresh(bool rebuildMenu);
    void quit();
    // Shows the running instance to the user when another launch hands over to it.
    void activateFromSecondLaunch();

    // --- Tick and alerts (app/Tick.cpp) ---
    void tick();
    void finishTimer(qsizetype index, bool whileClosed);
    void halfwayAlert(const PellowTimer& timer);
    void warnAlert(const PellowTimer& timer, double markSeconds);
    std::optional<double> dueWarnMark(const PellowTimer& timer) const;
    QList<double> warnMarks() const;
    void flashStatusIcon();
    void flashHUD();
    void rebuildHUD();

    // --- Timer operations (app/TimerActions.cpp) ---
    void startTimer(PellowTimer& timer);
    void pauseTimer(PellowTimer& timer);
    void applyLength(PellowTimer& timer, double seconds);
    void timerToggleRun(const MenuItem& sender);
    void timerStartOver(const MenuItem& sender);
    void timerReset(const MenuItem& sender);
    void timerToggleMode(const MenuItem& sender);
    void timerSetLength(const MenuItem& sender);
    void timerRemove(const MenuItem& sender);
    void pauseAllTimers();
    void startAllTimers();
    void toggleWarnMark(const MenuItem& sender);

    // --- Tray title (menu/StatusTitleActions.cpp) ---
    std::optional<qsizetype> clockTimer() const;
    void updateStatusTitle();
    void toggleTimerInMenuBar();

    // --- Menus (menu/StatusMenuActions.cpp) ---
    Menu buildStatusMenu(bool forDock) const;
    // Runs the action an item names, handing it the item.
    void performMenuAction(const MenuItem& item);

    // --- Sounds (sound/SoundActions.cpp) ---
    std::optional<QString> soundNamed(const QString& name) const;
    void playSoundNamed(const QString& name);
    void playChirps(int count);
    void setSound(const MenuItem& sender);
    void toggleChirpCount();

    // --- Notices ---
    void postNotice(const QString& text);

    // --- Sync and updates (behaviour arrives with pairing and the updater) ---
    void scheduleSyncPush();
    void startSyncPolling();
    void applyUpdateFrequency(bool atLaunch);

    // --- State, in the order the rest of the system knows it ---
    TrayItem* statusItem = nullptr;
    // The update checker, made on first use once updates are checked.
    QObject* updaterController = nullptr;
    QString updateFrequency = QStringLiteral("start");
    TimerList timers;
    std::optional<Scheduler::TaskId> timerTick;
    QPointer<QWidget> timerHUDWindow;
    QUrl syncAPI = QUrl(QStringLiteral("https://pellow.app/api/pellow/sync.php"));
    std::optional<Scheduler::TaskId> syncPoll;
    std::optional<Scheduler::TaskId> syncPushWork;
    bool syncBusy = false;
    QList<QPair<QString, QRectF>> timerHUDRowFrames;
    QPointer<QWidget> hudPromptWindow;
    QList<QPointer<QLineEdit>> hudPromptFields;
    std::function<void(const QStringList&)> hudPromptDone;
    QPointer<QWidget> newTimerWindow;
    QPointer<QLineEdit> newTimerNameField;
    QPointer<QLineEdit> newTimerLengthField;
    bool newTimerWantsName = false;
    QString newTimerNameDraft;
    std::optional<QString> newTimerColor;
    std::optional<QString> newTimerTargetID;
    QPointer<QWidget> newTimerEndPicker;
    std::optional<QString> endAtTargetID;
    std::optional<QString> colorTargetTimerID;
    bool suppressHUDMoveSave = false;
    bool resizingHUD = false;
    std::optional<QString> hudFlashRowID;
    QPointer<QWidget> soundsPanel;

private:
    double now() const;
    // Runs `task` later unless the controller is gone by then.
    Scheduler::TaskId later(double seconds, std::function<void()> task);
    // Finds the timer an action's sender names; none when it carries no id or the id is unknown.
    PellowTimer* senderTimer(const MenuItem& sender);
    // Saves, then refreshes with a rebuilt menu: the end of every change of the list.
    void commitChange();
    void keepUndecodableTimersAside(const QJsonValue& stored);

    Platform m_platform;
    // The image a running checkmark flash will put back, and how many flashes are showing.
    TrayItem::Icon m_flashRestoreIcon = TrayItem::Icon::Timer;
    int m_flashesShowing = 0;
};
