#pragma once

#include <QString>

#include <optional>

// Turns a typed timer length into seconds. A bare number is minutes ("25", "2.5"); one colon is
// minutes and seconds ("7:30"); two colons are hours, minutes and seconds ("1:05:00").
//
// Lengths above kMaxLengthSeconds (10,000 hours, more than a year) and any infinity or NaN are
// refused, so every accepted length has exact arithmetic and a clock text that fits. Callers
// also refuse results below kMinLengthSeconds.
namespace LengthParser {

inline constexpr double kMinLengthSeconds = 1.0;
inline constexpr double kMaxLengthSeconds = 10000.0 * 3600.0;

std::optional<double> parseLength(const QString& text);

// Reads a number as the C library does in the C locale; the whole text must be consumed and
// must not begin with white space.
std::optional<double> readCNumber(const QString& piece);

// A parsed length the callers accept: at least one second.
std::optional<double> acceptedLength(const QString& text);

} // namespace LengthParser
