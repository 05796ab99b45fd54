#pragma once

#include "Notifier.h"

#include <QObject>

#include <functional>

// Desktop notifications through org.freedesktop.Notifications, called asynchronously. When no
// notification service answers, the fallback (the tray's own message) shows the notice instead.
class DBusNotifier final : public QObject, public Notifier
{
public:
    using Fallback = std::function<void(const QString& title, const QString& body)>;

    explicit DBusNotifier(Fallback fallback, QObject* parent = nullptr);
    void post(const QString& title, const QString& body) override;

private:
    Fallback m_fallback;
};
