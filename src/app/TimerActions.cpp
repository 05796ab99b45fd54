#include "AppDelegate.h"

#include "core/TickRules.h"
#include "core/TimeTexts.h"
#include "core/TimerOperations.h"
#include "platform/PreferenceStore.h"

#include <QJsonArray>

#include <cmath>

void AppDelegate::startTimer(PellowTimer& timer)
{
    TimerOperations::startTimer(timer, now());
}

void AppDelegate::pauseTimer(PellowTimer& timer)
{
    TimerOperations::pauseTimer(timer, now());
}

void AppDelegate::applyLength(PellowTimer& timer, double seconds)
{
    TimerOperations::applyLength(timer, seconds, now());
}

PellowTimer* AppDelegate::timerWithID(const QString& id)
{
    const auto index = TimeTexts::timerIndex(timers, id);
    return index ? &timers[*index] : nullptr;
}

PellowTimer* AppDelegate::senderTimer(const MenuItem& sender)
{
    const QString id = menuTimerID(sender);
    return id.isEmpty() ? nullptr : timerWithID(id);
}

namespace {
// Changes the sender's timer, then saves and refreshes; a sender naming no timer does nothing.
template <typename Change> void changeSenderTimer(AppDelegate& app, const MenuItem& sender, Change change)
{
    if (PellowTimer* timer = app.senderTimer(sender)) {
        change(*timer);
        app.commitChange();
    }
}
} // namespace

void AppDelegate::timerToggleRun(const MenuItem& sender)
{
    changeSenderTimer(*this, sender, [this](PellowTimer& t) { t.running ? pauseTimer(t) : startTimer(t); });
}

void AppDelegate::timerStartOver(const MenuItem& sender)
{
    changeSenderTimer(*this, sender, [this](PellowTimer& t) { TimerOperations::startOver(t, now()); });
}

void AppDelegate::timerReset(const MenuItem& sender)
{
    changeSenderTimer(*this, sender, [](PellowTimer& t) { TimerOperations::reset(t); });
}

void AppDelegate::timerToggleMode(const MenuItem& sender)
{
    changeSenderTimer(*this, sender, [](PellowTimer& t) { TimerOperations::toggleMode(t); });
}

void AppDelegate::timerSetLength(const MenuItem& sender)
{
    if (sender.representedObject.typeId() != QMetaType::QVariantMap)
        return;
    const QVariantMap map = sender.representedObject.toMap();
    const QVariant id = map.value(QStringLiteral("id"));
    const QVariant secs = map.value(QStringLiteral("secs"));
    if (id.typeId() != QMetaType::QString)
        return;
    const int secsType = secs.typeId();
    if (secsType != QMetaType::Double && secsType != QMetaType::Int && secsType != QMetaType::LongLong)
        return;
    const double seconds = secs.toDouble();
    if (!std::isfinite(seconds))
        return;
    PellowTimer* timer = senderTimer(sender);
    if (!timer)
        return;
    applyLength(*timer, seconds);
    commitChange();
}

void AppDelegate::timerRemove(const MenuItem& sender)
{
    const QString id = menuTimerID(sender);
    const auto index = id.isEmpty() ? std::nullopt : TimeTexts::timerIndex(timers, id);
    if (!index)
        return;
    timers.removeAt(*index);
    commitChange();
}

void AppDelegate::pauseAllTimers()
{
    TimerOperations::pauseAll(timers, now());
    commitChange();
}

void AppDelegate::startAllTimers()
{
    TimerOperations::startAll(timers, now());
    commitChange();
}

void AppDelegate::toggleWarnMark(const MenuItem& sender)
{
    const int type = sender.representedObject.typeId();
    if (type != QMetaType::Double && type != QMetaType::Int && type != QMetaType::LongLong)
        return;
    const double minutes = sender.representedObject.toDouble();
    if (!std::isfinite(minutes))
        return;
    const QList<double> marks = TimerOperations::toggledMarks(warnMarks(), minutes);
    QJsonArray stored;
    for (double m : marks)
        stored.append(m);
    m_platform.preferences.setList(timerWarnMinutesKey, stored);
    TimerOperations::applyMarkToggle(timers, minutes, marks.contains(minutes), now());
    commitChange();
}
