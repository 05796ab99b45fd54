#pragma once

#include "Notifier.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QDBusServiceWatcher;

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

    // The body as a service that reads markup shows it as the text it is: "&", "<" and ">" escaped.
    static QString escapedBody(const QString& body);

private slots:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

private:
    struct Notice
    {
        QString title;
        QString body;
        QStringList actions;
        QUrl link;
        bool urgent = false; // critical, and staying until dismissed
        std::function<void(const QString& key)> invoked;
    };
    void notify(const Notice& notice);
    void askCapabilities();
    void send(const Notice& notice);
    // The tray's own message, with the link written out.
    void fallBack(const Notice& notice);
    void serviceChanged();
    static void open(const QString& action, const QUrl& link);

    Fallback m_fallback;
    bool m_listening = false;
    QDBusServiceWatcher* m_watcher = nullptr;
    // Whether the service reads the body as markup; none until it has said.
    std::optional<bool> m_bodyMarkup;
    bool m_asking = false;
    // Notices waiting for the service to say whether it reads markup.
    QList<Notice> m_waiting;
    // The links of notifications still showing an action, by notification id.
    QHash<uint, QUrl> m_links;
    // Actions whose signal overtook the reply naming their notification: the last few, since
    // the signal also comes for other programs' notifications.
    QList<QPair<uint, QString>> m_earlyActions;
    // What urgent notifications still showing call with the action pressed, by notification id.
    QHash<uint, std::function<void(const QString&)>> m_handlers;
};
