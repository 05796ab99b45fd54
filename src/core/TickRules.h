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

// The tick runs while a timer runs, or while a visible HUD has rows to show.
bool tickNeeded(const TimerList& timers, bool hudVisible);

// Whole minutes of a mark in seconds, halves away from zero.
long long markMinutes(double markSeconds);

} // namespace TickRules
