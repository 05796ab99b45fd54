#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QList>
#include <QString>

#include <optional>

// One timer: a countdown or a count-up stopwatch. It does not run by itself; it records the
// time used in earlier stretches (banked) and the instant the current stretch began, and every
// reader derives the time shown from these and the current clock.
struct PellowTimer
{
    QString id;
    QString label;
    QString mode = QStringLiteral("down");
    double duration = 0;
    double banked = 0;
    double startedAt = 0;
    bool running = false;
    bool alerted = false;
    QList<double> warned;
    std::optional<QString> color;

    // Only "down" counts down; every other mode text behaves as a count-up.
    bool isCountdown() const { return mode == QLatin1String("down"); }

    bool operator==(const PellowTimer&) const = default;
};

using TimerList = QList<PellowTimer>;

// Warned value recording the halfway alert; other values are minutes-left marks in seconds.
inline constexpr double kHalfwayMark = -1;

namespace TimerJson {

// Encodes the list as one JSON array. Fails (none) when any number is not finite, since an
// infinity or NaN has no JSON form.
std::optional<QJsonArray> encode(const TimerList& timers);
std::optional<QByteArray> encodeBytes(const TimerList& timers);

// Decodes a whole array; one element that lacks a required key or has a value of the wrong
// type rejects the whole array.
std::optional<TimerList> decode(const QJsonArray& array);
std::optional<TimerList> decodeBytes(const QByteArray& bytes);

} // namespace TimerJson
