#pragma once

#include "PellowTimer.h"

#include <optional>

// The clock beside the tray icon: which timer it shows and its text.
namespace StatusTitle {

// The running countdown with the least time left (earliest on ties), else the first running
// timer, else the first paused one, else the first timer.
std::optional<qsizetype> clockTimer(const TimerList& timers, double now);

// " 04:59" (with a separating space), or empty when the clock is off or shows nothing.
QString title(const TimerList& timers, double now, bool clockEnabled);

} // namespace StatusTitle
