#pragma once

#include "PellowTimer.h"

#include <QLocale>
#include <QString>

#include <optional>

// Time arithmetic and the texts built from it. Pure functions of a record, the current time
// (seconds since 1970) and, for names, the timer list.
namespace TimeTexts {

double elapsedSeconds(const PellowTimer& t, double now);
double remainingSeconds(const PellowTimer& t, double now);
double shownSeconds(const PellowTimer& t, double now);
bool isFinished(const PellowTimer& t, double now);
std::optional<double> endDate(const PellowTimer& t, double now);

// "04:59" below an hour, "1:05:00" from an hour up. Any double gives a sane text: a negative
// value shows a leading minus, NaN shows "--:--" and values past the 64-bit range saturate.
QString clockText(double seconds);

// The clock time of an instant in the locale's short time format, without date or seconds.
QString shortTimeText(double instant, const QLocale& locale);
// The same for an end time asked about every second: remembered until the minute `now` is in
// ends, so a change of time zone shows within a minute and each end is converted once a minute.
QString endTimeText(double instant, double now, const QLocale& locale);
// The locale's short time format with any seconds taken out.
QString shortTimeFormat(const QLocale& locale);

QString statusText(const PellowTimer& t, double now, const QLocale& locale = QLocale::system());
QString detailText(const PellowTimer& t, double now, const QLocale& locale = QLocale::system());

std::optional<qsizetype> timerIndex(const TimerList& timers, const QString& id);
QString displayName(const PellowTimer& t, const TimerList& timers);

// Removes leading and trailing horizontal white space (spaces, tabs, Unicode space
// separators); line breaks stay.
QString trimHorizontal(const QString& text);
// Removes only the spaces and tabs around a typed name; other white space stays.
QString trimSpacesAndTabs(const QString& text);

} // namespace TimeTexts
