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

private slots:
    void actionInvoked(uint id, const QString& action);

private:
    void notify(const QString& title, const QString& body, const QStringList& actions, const QUrl& link);
    static void open(const QString& action, const QUrl& link);

    Fallback m_fallback;
    bool m_listening = false;
    // The links of notifications still showing an action, by notification id.
    QHash<uint, QUrl> m_links;
    // Actions whose signal overtook the reply naming their notification: the last few, since
    // the signal also comes for other programs' notifications.
    QList<QPair<uint, QString>> m_earlyActions;
};
