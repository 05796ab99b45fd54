#pragma once

#include <QString>

// Posts one desktop notification; never blocks and never reports failure.
class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void post(const QString& title, const QString& body) = 0;
};
