#pragma once

#include "Platform.h"
#include "core/HUDLayout.h"
#include "core/HUDMenuModel.h"
#include "core/HUDPlacement.h"
#include "core/MenuModel.h"
#include "core/PellowTimer.h"
#include "core/SyncRules.h"
#include "platform/Scheduler.h"
#include "platform/TrayItem.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class HUDArrowPanel;
class HUDWidgetView;
class QColor;
class QMenu;
class PairingWindow;
class Updater;
namespace HUDFonts {
class Measure;
}
class QColorDialog;
class QDateTimeEdit;
class QLineEdit;
class QWidget;

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
    const QString soundFinishRepeatKey = QStringLiteral("soundFinishRepeat");
    const QString timerInMenuBarKey = QStringLiteral("timerInMenuBar");
    const QString trayClockStyleKey = QStringLiteral("trayClockStyle");
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
    const QString syncServerKey = QStringLiteral("syncServer");
    const QString syncServerCertificateKey = QStringLiteral("syncServerCertificate");
    const QString syncLocalPortKey = QStringLiteral("syncLocalPort");

    // --- Launch, save, refresh (app/AppDelegate.cpp) ---
    void applicationDidFinishLaunching();
    void registerDefaults();
    void loadTimers();
    void catchUpTimers();
    void saveTimers();
    void refresh(bool rebuildMenu);
    void quit();
    // A later launch handed over to this one: the new-timer window opens.
    void activateFromSecondLaunch();
    // Without any tray to show the item in, says so once and shows the HUD instead.
    void offerHUDWithoutTray();
    static constexpr double kTrayGraceSeconds = 3.0;

    // --- Tick and alerts (app/Tick.cpp) ---
    void tick();
    // Runs the tick while it is needed, on the second boundary of the timer the tray clock
    // shows; an unchanged boundary keeps the running tick as it is.
    void scheduleTick();
    // A one-shot at the soonest alert instant ahead, unless the tick comes then anyway.
    void scheduleAlertShot();
    // Alerts are given this much before their instant, so a timer firing on the instant sees them due.
    static constexpr double kAlertSlack = 0.001;
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
    // "Clock in the panel": "auto", "label" or "icon", from the item's represented object.
    void setTrayClockStyle(const MenuItem& sender);

    // --- Menus (menu/StatusMenuActions.cpp) ---
    StatusMenuState statusMenuState() const;
    Menu buildStatusMenu(bool forDock) const;
    // Hands the tray item a status menu built from the state of now.
    void rebuildStatusMenu();
    // Runs the action an item names, handing it the item; false for a name no handler knows.
    bool performMenuAction(const MenuItem& item);
    // Whether performMenuAction knows the action a menu item names.
    static bool handlesMenuAction(const QString& action);

    // --- Sounds (sound/SoundActions.cpp) ---
    std::optional<QString> soundNamed(const QString& name) const;
    void playSoundNamed(const QString& name);
    // Readies the sounds of the three roles (and the chirp when counting) so alerts start at once.
    void preloadSounds();
    // The sounds are readied (and the audio stack loaded) with the first running timer, so its
    // first alert sounds at once and an idle Pellow holds no audio libraries.
    void readySoundsOnceRunning();
    void playChirps(int count);
    void setSound(const MenuItem& sender);
    void toggleChirpCount();
    void toggleFinishRepeat();
    // With "Keep ringing until dismissed" on, plays the finish sound again every few seconds, for
    // at most two minutes, until stopRinging (the notification dismissed or acted on, the HUD
    // clicked, the menu opened).
    void ringFinishSound(const QString& sound);
    void stopRinging();
    static constexpr double kRingInterval = 4.0;
    static constexpr double kRingLongest = 120.0;
    QList<Scheduler::TaskId> ringing;
    // What a finish notification's button or click does: "again", "plus1", "default"; empty when
    // it is dismissed.
    void finishNotificationAnswered(const QString& id, const QString& key);

    // --- Prompts (menu/PromptActions.cpp) ---
    struct PromptField
    {
        QString label;
        QString placeholder;
        QString initialValue;
    };
    // Closes any open prompt (without running its completion) and shows a new one.
    void showPrompt(const QString& title, const QString& message, const QList<PromptField>& fields,
                    const QString& confirmTitle, std::function<void(const QStringList&)> done);
    void hudPromptConfirm();
    void hudPromptCancel();
    void closePrompt();
    void timerRename(const MenuItem& sender);
    void timerCustomLength(const MenuItem& sender);

    // --- Colours (menu/ColorActions.cpp) ---
    void setTimerColor(const MenuItem& sender);
    void timerPickColor(const MenuItem& sender);
    void openColorPicker();
    void colorPanelPicked(const QColor& color);
    // A button of the new-timer window's colour row: -1 no colour, 0...9 a palette entry,
    // 999 the colour dialog.
    void newTimerColorPicked(int tag);

    // --- New-timer window (newtimer/NewTimerActions.cpp) ---
    void newTimer();
    void timerSetupAgain(const MenuItem& sender);
    void newTimerPreset(int seconds);
    void newTimerCustom();
    void newTimerStopwatch();
    void newTimerToggleName();
    void newTimerCancel();
    // Drops what the new-timer window was setting up: the timer set up again, colour and name.
    void forgetNewTimerSetup();
    void openNewTimerWindow();
    void closeNewTimerWindow();
    void commitNewTimer(double seconds, bool stopwatch);
    // Adds a running timer (and shows the HUD); its id.
    QString addNewTimer(double seconds, bool stopwatch, const QString& name,
                        const std::optional<QString>& color);
    // Ten minutes from now, rounded up to the next quarter hour; seconds since 1970.
    double defaultEndAtDate() const;

    // --- End-at window (newtimer/EndAtActions.cpp) ---
    void newTimerEndAt();
    void timerEndAt(const MenuItem& sender);
    void confirmEndAt();

    // --- Sounds panel (sound/SoundsPanelActions.cpp) ---
    void openSoundsPanel();
    void soundListen(const QString& soundKey);
    void soundAssign(const QString& soundKey, const QString& role);
    void toggleChirpCountFromPanel(bool on);
    void demoChirps();

    // --- HUD (hud/HUDActions.cpp): the window, its rebuild, clicks, blink and look ---
    void makeHUDWindow();
    void hudRowClicked(QPointF point);
    void toggleTimerHUD();
    void hideTimerHUD();
    void setTimerDisplay(const MenuItem& sender);
    void setTimerHUDWidth(const MenuItem& sender);
    void resetTimerHUDSize();
    void setTimerHUDSize(const MenuItem& sender);
    void setTimerHUDAlpha(const MenuItem& sender);
    double hudAlpha() const;
    HUDLayout::Settings hudSettings() const;
    // The HUD's content in global y-up coordinates, and moving it there.
    QRectF hudContentFrame() const;
    void moveHUDContentTo(QPointF bottomLeft);
    // A stored whole number or number; none when missing or of another type.
    std::optional<int> storedInt(const QString& key) const;
    std::optional<double> storedDouble(const QString& key) const;

    // --- HUD placement (hud/HUDPlacementActions.cpp) ---
    HUDPlacement::Stored storedHUDPlace() const;
    void placeHUD(QSizeF size);
    void hudWasDragged();
    void watchScreens();
    void screensChanged();
    void snapTimerHUD(const MenuItem& sender);
    void cycleTimerHUDCorner();
    void moveHUDByArrow(quint16 key);
    void setHUDScreen(const MenuItem& sender);
    void resizeHUDBy(double dx, double dy);

    // --- HUD menus (hud/HUDMenuActions.cpp) ---
    HUDMenuState hudMenuState() const;
    Menu hudContextMenu(QPointF point) const;
    QMenu* hudContextQMenu(QPointF point);
    // The Dock's menu, built afresh on every request; platforms without a dock never ask.
    Menu applicationDockMenu() const { return buildStatusMenu(true); }

    // --- Notices ---
    void postNotice(const QString& text);

    // --- Sync (sync/SyncActions.cpp): the whole list pushed after changes, pulled every 15 s ---
    using SyncReply = std::optional<QJsonObject>;
    // The server and the pairing a request is sent for.
    struct SyncTarget
    {
        QUrl endpoint;
        std::optional<QString> token;
        bool operator==(const SyncTarget&) const = default;
    };
    SyncTarget syncTarget() const;
    // `done` gets no reply when the server or the token changed while the request was out: a
    // reply only ever acts on the pairing it was sent for.
    void sendSyncRequest(const QString& action, const QJsonObject& body, std::function<void(SyncReply)> done);
    void scheduleSyncPush();
    void pushTimers();
    void pullTimers();
    void applyRemoteTimers(const QJsonObject& reply);
    // After a push or pull reply: sends the push that was asked for while the request was out.
    void syncRequestEnded();
    void startSyncPolling();
    static constexpr double kSyncPushDelay = 0.6;
    static constexpr double kSyncPollInterval = 15.0;

    // --- Pairing (sync/PairingActions.cpp) ---
    void pairWithPhone();
    void pairingReplied(const SyncReply& reply);
    void showPairingDialog(const QString& code);
    void unpairPhone();

    // --- This computer as the sync server (sync/LocalSyncActions.cpp) ---
    // With no server of the user's own, Pellow runs one for the phone on the local network.
    bool syncsLocally() const;
    // Starts it (or finds it running) and points syncAPI at it over loopback; `then` learns
    // whether it listens.
    void startLocalSyncServer(std::function<void(bool)> then);
    // The phone page's address: Pellow's own server on the local network, or the user's server.
    QUrl phonePageAddress() const;
    void localSyncServerStarted(const QString& address, std::optional<quint16> port,
                                const std::function<void(bool)>& then);
    static constexpr quint16 kLocalSyncPort = 8787;

    // --- Sync server (sync/SyncServerActions.cpp) ---
    // Reads the server address and the extra trusted certificates from the preferences.
    void loadSyncServer();
    void chooseSyncServer();

    // --- Updates (app/UpdateActions.cpp) ---
    static constexpr bool kUpdateChecksBuiltIn = PELLOW_UPDATE_CHECK;
    static constexpr double kLaunchUpdateCheckDelay = 3.0;
    // The updater, made on first use.
    Updater& updater();
    void applyUpdateFrequency(bool atLaunch);
    void checkForUpdates();
    void setUpdateFrequency(const MenuItem& sender);

    // --- Opening at login (app/AutostartActions.cpp): writes or removes the autostart entry ---
    void toggleOpenAtLogin();

    // --- State, in the order the rest of the system knows it ---
    TrayItem* statusItem = nullptr;
    std::unique_ptr<Updater> updaterController;
    QString updateFrequency = QStringLiteral("start");
    TimerList timers;
    std::optional<Scheduler::TaskId> timerTick;
    // An instant on which the running tick fires (it fires whole seconds apart).
    std::optional<double> timerTickAnchor;
    std::optional<Scheduler::TaskId> alertShot;
    QPointer<HUDArrowPanel> timerHUDWindow;
    QPointer<HUDWidgetView> timerHUDView;
    std::unique_ptr<HUDFonts::Measure> hudMeasure;
    QUrl syncAPI; // none until a server is known (Pellow's own: until it listens)
    std::optional<Scheduler::TaskId> syncPoll;
    std::optional<Scheduler::TaskId> syncPushWork;
    bool syncBusy = false;
    // A push was asked for while a request was out; it goes when that request ends.
    bool syncPushOwed = false;
    // The last push got no reply: the next poll pushes again rather than pulls.
    bool syncPushUnsent = false;
    QPointer<PairingWindow> pairingDialog;
    QString localSyncAddress; // where Pellow's own server listens for the phone
    int pairingRound = 0;     // counts pairings and unpairings, so a late stop spares a new pairing
    QList<QPair<QString, QRectF>> timerHUDRowFrames;
    QPointer<QWidget> hudPromptWindow;
    QList<QPointer<QLineEdit>> hudPromptFields;
    std::function<void(const QStringList&)> hudPromptDone;
    QPointer<QWidget> newTimerWindow;
    QPointer<QLineEdit> newTimerNameField;
    QPointer<QLineEdit> newTimerLengthField;
    bool newTimerWantsName = false;
    QString newTimerNameDraft;
    QString newTimerLengthDraft;
    // Where the window was when it is rebuilt in place (showing or hiding the name row).
    std::optional<QPoint> newTimerWindowPlace;
    std::optional<QString> newTimerColor;
    std::optional<QString> newTimerTargetID;
    QPointer<QDateTimeEdit> newTimerEndPicker;
    std::optional<QString> endAtTargetID;
    std::optional<QString> colorTargetTimerID;
    bool resizingHUD = false;
    std::optional<QString> hudFlashRowID;
    QPointer<QWidget> soundsPanel;
    // The one shared, non-modal colour dialog, made on first use.
    QPointer<QColorDialog> colorPanel;

    double now() const;
    Platform& platform() { return m_platform; }
    // Runs `task` later unless the controller is gone by then.
    Scheduler::TaskId later(double seconds, std::function<void()> task);
    // The timer with this id, or none; actions look their timer up again each time they run.
    PellowTimer* timerWithID(const QString& id);
    // Finds the timer an action's sender names; none when it carries no id or the id is unknown.
    PellowTimer* senderTimer(const MenuItem& sender);
    // Saves, then refreshes with a rebuilt menu: the end of every change of the list.
    void commitChange();
    // Told after every save or adoption of the timer list (the D-Bus interface's signal).
    std::function<void()> timersChanged;

private:
    void keepUndecodableTimersAside(const QJsonValue& stored);

    // A save that could not encode the list has been reported; cleared by the next good save.
    bool m_saveFailureReported = false;

    Platform m_platform;
    // The image a running checkmark flash will put back, and how many flashes are showing.
    TrayItem::Icon m_flashRestoreIcon = TrayItem::Icon::Timer;
    int m_flashesShowing = 0;
    bool m_hudFlashing = false;
    bool m_soundsReady = false;
    // The minutes-left marks as last read: every tick asks, the preference seldom changes.
    mutable QJsonValue m_warnMarksStored;
    mutable QList<double> m_warnMarks;
};
