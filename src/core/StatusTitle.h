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

// The widest text of the same shape as a title ("00:00" for " 04:59"), so panels that reserve
// room for it never shift as the digits change.
QString labelGuide(const QString& title);

// The clock of a title in at most three characters, for drawing inside a 22 px icon: whole
// minutes rounded up below 100 minutes ("5" for 04:59), then hours ("2h"); empty for no clock.
QString compactClock(const QString& title);

} // namespace StatusTitle
