#pragma once

#include "PellowTimer.h"

#include <QString>
#include <QTimeZone>

#include <optional>

// How the new-timer and end-at windows turn the user's choices into timer records. Instants
// are seconds since 1970; `now` is always passed in.
namespace NewTimerRules {

// A fresh record, not yet started: a stopwatch gets a nominal length of five minutes.
PellowTimer makeNewTimer(const QString& id, const QString& name, const std::optional<QString>& color,
                         double seconds, bool stopwatch);

// Starts an existing record afresh in place, keeping its id. An empty name keeps the old
// label; a stopwatch keeps the old length.
void rearmTimer(PellowTimer& timer, const QString& name, const std::optional<QString>& color, double seconds,
                bool stopwatch, double now);

// The end-at picker's starting moment: ten minutes from now with the seconds dropped, rounded up
// to the next quarter hour of the wall clock in `zone` (a carry moves into the next hour or day).
double defaultEndAt(double now, const QTimeZone& zone);

// The countdown length to a picked moment, rounded half away from zero; none when the moment is
// less than a second ahead.
std::optional<double> endAtLength(double pickedMoment, double now);

} // namespace NewTimerRules
