#pragma once

#include "Notifier.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>

// Desktop notifications through org.freedesktop.Notifications, called asynchronously. When no
// notification service answers, the fallback (the tray's own message) shows the notice instead.
class DBusNotifier final : public QObject, public Notifier
{
    Q_OBJECT

public:
    using Fallback = std::function<void(const QString& title, const QString& body)>;

    explicit DBusNotifier(Fallback fallback, QObject* parent = nullptr);
    void post(const QString& title, const QString& body) override;
    void postLink(const QString& title, const QString& body, const QString& actionTitle,
                  const QUrl& link) override;
    void postUrgent(const QString& title, const QString& body, const QList<Action>& actions,
                    std::function<void(const QString& key)> invoked) override;

private slots:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    void notify(const QString& title, const QString& body, const QStringList& actions, const QUrl& link,
                bool urgent = false, std::function<void(const QString&)> invoked = {});
    void listen();

    Fallback m_fallback;
    bool m_listening = false;
    // The links of notifications still showing an action, by notification id.
    QHash<uint, QUrl> m_links;
    // What urgent notifications still showing call with the action pressed, by notification id.
    QHash<uint, std::function<void(const QString&)>> m_handlers;
};
