#pragma once

#include "PellowTimer.h"

// The user's commands on timers, as in-place changes of records. `now` is seconds since 1970.
namespace TimerOperations {

// Starts or resumes; a finished countdown starts again from its full length.
void startTimer(PellowTimer& t, double now);
// Banks the stretch just ended; startedAt and alerted stay.
void pauseTimer(PellowTimer& t, double now);
// Turns the record into a running countdown of `seconds`, from zero.
void applyLength(PellowTimer& t, double seconds, double now);

void startOver(PellowTimer& t, double now);
void reset(PellowTimer& t);
void toggleMode(PellowTimer& t);

void pauseAll(TimerList& timers, double now);
// Starts every stopped timer except countdowns whose time is used up.
void startAll(TimerList& timers, double now);

// The marks list after switching mark `minutes` on or off, largest first.
QList<double> toggledMarks(QList<double> marks, double minutes);
// Forgets mark `minutes` in every timer; when it was just switched on, records it as given for
// every countdown already past it, so it is not announced late.
void applyMarkToggle(TimerList& timers, double minutes, bool switchedOn, double now);

} // namespace TimerOperations
