#pragma once

#include <QDateTime>

// The wall clock, in seconds since 1970-01-01 00:00 UTC.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

class SystemClock final : public Clock
{
public:
    double now() const override { return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0; }
};
