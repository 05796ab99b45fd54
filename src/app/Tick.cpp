#include "AppDelegate.h"

#include "core/TickRules.h"
#include "core/TimeTexts.h"
#include "core/TimerOperations.h"
#include "platform/Clock.h"
#include "platform/Notifier.h"
#include "platform/PreferenceStore.h"
#include "platform/Scheduler.h"

#include <QPointer>

void AppDelegate::scheduleTick()
{
    Scheduler& scheduler = m_platform.scheduler;
    const double t = now();
    if (!TickRules::tickNeeded(timers, m_platform.preferences.boolValue(timerHUDVisibleKey))) {
        if (timerTick)
            scheduler.cancel(*timerTick);
        timerTick.reset();
        timerTickAnchor.reset();
        return;
    }
    const std::optional<qsizetype> shown = clockTimer();
    const bool clockRuns = shown && timers[*shown].running;
    if (timerTick && (!clockRuns || TickRules::samePhase(*timerTickAnchor,
                                                         TickRules::nextSecondBoundary(timers[*shown], t))))
        return;
    if (timerTick)
        scheduler.cancel(*timerTick);
    const double first = clockRuns ? TickRules::nextSecondBoundary(timers[*shown], t) : t + 1.0;
    timerTickAnchor = first;
    const QPointer<AppDelegate> self(this);
    const auto run = [self] {
        if (self)
            self->tick();
    };
    // Waits for the boundary, then ticks every second from it; the id follows the repeating part.
    timerTick = scheduler.after(first - t, [self, run, &scheduler] {
        if (!self)
            return;
        self->timerTick = scheduler.every(1.0, run);
        self->tick();
    });
}

void AppDelegate::scheduleAlertShot()
{
    Scheduler& scheduler = m_platform.scheduler;
    if (alertShot)
        scheduler.cancel(*alertShot);
    alertShot.reset();
    const double t = now();
    const auto due = TickRules::nextAlertInstant(timers, warnMarks(), t + kAlertSlack);
    if (!due || !timerTick)
        return;
    // The tick gives it anyway when it falls on one of the tick's instants.
    if (timerTickAnchor && TickRules::samePhase(*due, *timerTickAnchor) && *due >= *timerTickAnchor - 0.002)
        return;
    alertShot = scheduler.after(*due - t, [self = QPointer<AppDelegate>(this)] {
        if (!self)
            return;
        self->alertShot.reset();
        self->tick();
    });
}

void AppDelegate::tick()
{
    const qsizetype count = timers.size();
    const QList<double> marks = warnMarks();
    const double at = now() + kAlertSlack;
    bool changed = false;
    for (qsizetype i = 0; i < count && i < timers.size(); ++i) {
        const TickRules::Alert alert = TickRules::nextAlert(timers[i], marks, at);
        switch (alert.kind) {
        case TickRules::AlertKind::None:
            break;
        case TickRules::AlertKind::Finish:
            finishTimer(i, false);
            changed = true;
            break;
        case TickRules::AlertKind::Halfway:
            timers[i].warned.append(kHalfwayMark);
            halfwayAlert(timers[i]);
            changed = true;
            break;
        case TickRules::AlertKind::Warn:
            timers[i].warned.append(alert.mark);
            warnAlert(timers[i], alert.mark);
            changed = true;
            break;
        }
    }
    if (changed)
        saveTimers();
    // A finish can hand the clock to another timer or leave nothing to tick for.
    scheduleTick();
    scheduleAlertShot();
    updateStatusTitle();
    rebuildHUD();
}

void AppDelegate::finishTimer(qsizetype index, bool whileClosed)
{
    if (index < 0 || index >= timers.size())
        return;
    PellowTimer& timer = timers[index];
    const QString name = TimeTexts::displayName(timer, timers);
    const QString length = TimeTexts::clockText(timer.duration);
    const bool alreadyAlerted = timer.alerted;

    timer.banked = timer.duration;
    timer.running = false;
    timer.alerted = true;
    if (alreadyAlerted)
        return;

    const QString sound =
        m_platform.preferences.stringValue(soundFinishKey).value_or(QStringLiteral("chime"));
    playSoundNamed(sound);
    if (!whileClosed)
        ringFinishSound(sound);
    flashStatusIcon();
    flashHUD();
    const QString id = timer.id;
    m_platform.notifier.postUrgent(name + QStringLiteral(" finished"),
                                   whileClosed ? QStringLiteral("It ran out while Pellow was closed.")
                                               : length + QStringLiteral(" is up."),
                                   {{QStringLiteral("default"), QStringLiteral("Show the HUD")},
                                    {QStringLiteral("again"), QStringLiteral("Start again")},
                                    {QStringLiteral("plus1"), QStringLiteral("+1 minute")}},
                                   [self = QPointer<AppDelegate>(this), id](const QString& key) {
                                       if (self)
                                           self->finishNotificationAnswered(id, key);
                                   });
}

void AppDelegate::finishNotificationAnswered(const QString& id, const QString& key)
{
    stopRinging();
    if (key == QLatin1String("default")) {
        if (!m_platform.preferences.boolValue(timerHUDVisibleKey))
            toggleTimerHUD();
        return;
    }
    PellowTimer* timer = timerWithID(id);
    if (!timer || (key != QLatin1String("again") && key != QLatin1String("plus1")))
        return;
    if (key == QLatin1String("again")) {
        TimerOperations::startOver(*timer, now());
    } else if (timer->isCountdown() && !timer->running) {
        // One more minute on what it had run: the clock shows 01:00 and counts down again.
        timer->duration = TimeTexts::elapsedSeconds(*timer, now()) + 60;
        timer->alerted = false;
        startTimer(*timer);
    }
    commitChange();
}

void AppDelegate::halfwayAlert(const PellowTimer& timer)
{
    Q_UNUSED(timer);
    const QString sound = m_platform.preferences.stringValue(soundHalfwayKey).value_or(QStringLiteral("tap"));
    if (sound == QLatin1String("off"))
        return;
    playSoundNamed(sound);
    flashHUD();
}

void AppDelegate::warnAlert(const PellowTimer& timer, double markSeconds)
{
    const long long minutes = TickRules::markMinutes(markSeconds);
    flashHUD();
    if (m_platform.preferences.boolValue(soundChirpCountKey))
        playChirps(static_cast<int>(std::clamp<long long>(minutes, -1, 1000)));
    else
        playSoundNamed(m_platform.preferences.stringValue(soundWarnKey).value_or(QStringLiteral("ping")));
    const QString title = QStringLiteral("%1 minute%2 left").arg(minutes).arg(minutes == 1 ? "" : "s");
    m_platform.notifier.post(title, TimeTexts::displayName(timer, timers) + QStringLiteral(" \u2014 ") +
                                        TimeTexts::statusText(timer, now()));
}

std::optional<double> AppDelegate::dueWarnMark(const PellowTimer& timer) const
{
    return TickRules::dueWarnMark(timer, warnMarks(), now());
}

QList<double> AppDelegate::warnMarks() const
{
    const QJsonValue stored = m_platform.preferences.value(timerWarnMinutesKey);
    if (stored != m_warnMarksStored || m_warnMarks.isEmpty()) {
        m_warnMarks = TickRules::warnMarksFrom(stored);
        m_warnMarksStored = stored;
    }
    return m_warnMarks;
}

void AppDelegate::flashStatusIcon()
{
    if (!statusItem || !statusItem->hasButton())
        return;
    // Overlapping flashes keep the image the first one found, and the last one to end puts it back.
    if (m_flashesShowing == 0)
        m_flashRestoreIcon = statusItem->icon();
    ++m_flashesShowing;
    statusItem->setIcon(TrayItem::Icon::Checkmark);
    later(0.9, [this] {
        if (--m_flashesShowing == 0 && statusItem)
            statusItem->setIcon(m_flashRestoreIcon);
    });
}
