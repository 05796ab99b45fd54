#pragma once

#include "FakePlatform.h"
#include "TimerFactory.h"

#include "app/AppDelegate.h"
#include "core/TimeTexts.h"

#include <QJsonArray>

#include <memory>

// A controller on fakes, launched with the given stored timers and preferences.
struct ControllerFixture
{
    FakePlatform fake;
    std::unique_ptr<AppDelegate> app;

    void launch(const TimerList& stored = {}, const QJsonObject& prefs = {})
    {
        for (auto it = prefs.begin(); it != prefs.end(); ++it)
            fake.preferences.setValue(it.key(), it.value());
        if (!stored.isEmpty())
            fake.preferences.setValue(QStringLiteral("timers"), *TimerJson::encode(stored));
        app = std::make_unique<AppDelegate>(fake.platform());
        app->applicationDidFinishLaunching();
        fake.notifier.posted.clear();
        fake.sounds.played.clear();
    }

    TimerList storedTimers() const
    {
        return TimerJson::decode(fake.preferences.value(QStringLiteral("timers")).toArray())
            .value_or(TimerList{});
    }

    static MenuItem sender(const QVariant& represented)
    {
        return MenuItem::make(QStringLiteral("item"), QStringLiteral("action"), represented);
    }
};
