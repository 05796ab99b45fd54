#pragma once

#include "PellowTimer.h"

#include <QString>

// What a timer list may hold to be taken from elsewhere: the sync server stores no other list
// and Pellow adopts no other. Pellow's own operations stay well inside these bounds.
namespace TimerBounds {

inline constexpr qsizetype kMaxTimers = 500;
// Every text of a record (id, label, mode, colour), in UTF-16 code units.
inline constexpr qsizetype kMaxTextLength = 256;
inline constexpr qsizetype kMaxWarned = 64;
// Every time (length, banked time, start instant, warned mark) lies within this many seconds
// of zero, about 3,000 years: sums and differences of them stay finite and exact to the millisecond.
inline constexpr double kMaxSeconds = 1e11;

bool acceptable(const PellowTimer& timer);
// At most kMaxTimers records, each acceptable.
bool acceptable(const TimerList& timers);

// A name cut to kMaxTextLength, never inside a surrogate pair.
QString fitText(const QString& text);

} // namespace TimerBounds
