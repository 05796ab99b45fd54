#pragma once

#include "PellowTimer.h"

#include <QLocale>

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

// The clock of a title in at most three characters, for drawing inside a 16 to 24 px icon:
// seconds in the last minute ("41s"), whole minutes rounded up with a unit below ten minutes
// ("5m" for 04:01) and bare up to 99 ("25" for 24:01), then whole hours ("2h"); empty for no
// clock.
QString compactClock(const QString& title);

// The tooltip's text: the clock's timer by name with its state or end time ("Tea — ends 08:10"),
// which changes at most once a minute; empty when there is no timer.
QString toolTip(const TimerList& timers, double now, const QLocale& locale);

} // namespace StatusTitle
