#include "DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kAction = QStringLiteral("open-link");

} // namespace

DBusNotifier::DBusNotifier(Fallback fallback, QObject* parent)
    : QObject(parent), m_fallback(std::move(fallback))
{}

void DBusNotifier::post(const QString& title, const QString& body)
{
    notify(title, body, {}, {});
}

void DBusNotifier::postLink(const QString& title, const QString& body, const QString& actionTitle,
                            const QUrl& link)
{
    notify(title, body, {QStringLiteral("default"), actionTitle, kAction, actionTitle}, link);
}

void DBusNotifier::postUrgent(const QString& title, const QString& body, const QList<Action>& actions,
                              std::function<void(const QString& key)> invoked)
{
    QStringList pairs;
    for (const Action& action : actions)
        pairs << action.key << action.title;
    notify(title, body, pairs, {}, true, std::move(invoked));
}

void DBusNotifier::listen()
{
    if (m_listening)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_listening = bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                              SLOT(actionInvoked(uint, QString)));
    bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(uint, uint)));
}

void DBusNotifier::notify(const QString& title, const QString& body, const QStringList& actions,
                          const QUrl& link, bool urgent, std::function<void(const QString&)> invoked)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString fallbackBody = link.isEmpty() ? body : body + QLatin1Char('\n') + link.toString();
    if (!bus.isConnected()) {
        if (invoked)
            invoked(QString());
        if (m_fallback)
            m_fallback(title, fallbackBody);
        return;
    }
    if (!link.isEmpty() || invoked)
        listen();
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // Urgent (critical) and never expiring, for a finish; the server's defaults otherwise.
    QVariantMap hints;
    if (urgent)
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2)));
    call << QStringLiteral("Pellow") << quint32(0) << QStringLiteral("pellow") << title << body << actions
         << hints << qint32(urgent ? 0 : -1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, title, fallbackBody, link, invoked = std::move(invoked)] {
                watcher->deleteLater();
                const QDBusPendingReply<uint> reply = *watcher;
                if (reply.isError()) {
                    if (invoked)
                        invoked(QString());
                    if (m_fallback)
                        m_fallback(title, fallbackBody);
                } else if (!link.isEmpty()) {
                    m_links.insert(reply.value(), link);
                } else if (invoked) {
                    m_handlers.insert(reply.value(), invoked);
                }
            });
}

void DBusNotifier::notificationClosed(uint id, uint reason)
{
    Q_UNUSED(reason);
    m_links.remove(id);
    if (const auto handler = m_handlers.take(id))
        handler(QString());
}

void DBusNotifier::actionInvoked(uint id, const QString& action)
{
    if (const auto handler = m_handlers.take(id)) {
        handler(action);
        return;
    }
    const QUrl link = m_links.take(id);
    if (!link.isEmpty() && (action == kAction || action == QLatin1String("default")))
        QDesktopServices::openUrl(link);
}
