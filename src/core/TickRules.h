#pragma once

#include "PellowTimer.h"

#include <QJsonValue>

#include <optional>

// What the one-second tick does with each timer, decided from the record and the clock.
namespace TickRules {

enum class AlertKind
{
    None,
    Finish,
    Halfway,
    Warn
};

struct Alert
{
    AlertKind kind = AlertKind::None;
    double mark = 0; // seconds before the end, for Warn
};

// The minutes-left marks from the stored value: a list of numbers, else [10, 5]; largest first.
QList<double> warnMarksFrom(const QJsonValue& stored);

// The largest mark shorter than the length that the countdown has reached and not yet given.
std::optional<double> dueWarnMark(const PellowTimer& t, const QList<double>& marks, double now);

// At most one alert per timer per tick, in the order finish, halfway, minutes-left.
Alert nextAlert(const PellowTimer& t, const QList<double>& marks, double now);

// The soonest instant after `now` at which a running countdown's finish, halfway or minutes-left
// alert comes due; none when no alert is ahead.
std::optional<double> nextAlertInstant(const TimerList& timers, const QList<double>& marks, double now);

// The next instant, from `now` on, at which the timer's shown whole seconds change: where its time
// left (a countdown) or its time so far (a count-up) is a whole number of seconds.
double nextSecondBoundary(const PellowTimer& t, double now);

// Whether two instants are the same fraction of a second apart from a whole number of seconds.
bool samePhase(double a, double b);

// The tick runs while a timer runs, or while a visible HUD has rows to show.
bool tickNeeded(const TimerList& timers, bool hudVisible);

// Whole minutes of a mark in seconds, halves away from zero.
long long markMinutes(double markSeconds);

} // namespace TickRules
