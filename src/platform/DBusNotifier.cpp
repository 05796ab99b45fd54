#include "DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QVariantMap>

#include <algorithm>

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

void DBusNotifier::notify(const QString& title, const QString& body, const QStringList& actions,
                          const QUrl& link)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString fallbackBody = link.isEmpty() ? body : body + QLatin1Char('\n') + link.toString();
    if (!bus.isConnected()) {
        if (m_fallback)
            m_fallback(title, fallbackBody);
        return;
    }
    if (!link.isEmpty() && !m_listening)
        m_listening = bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                                  SLOT(actionInvoked(uint, QString)));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    call << QStringLiteral("Pellow") << quint32(0) << QStringLiteral("pellow") << title << body << actions
         << QVariantMap() << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, title, fallbackBody, link] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            if (m_fallback)
                m_fallback(title, fallbackBody);
        } else if (!link.isEmpty()) {
            const auto early = std::find_if(m_earlyActions.cbegin(), m_earlyActions.cend(),
                                            [id = reply.value()](const auto& a) { return a.first == id; });
            if (early != m_earlyActions.cend())
                open(early->second, link);
            else
                m_links.insert(reply.value(), link);
        }
    });
}

void DBusNotifier::actionInvoked(uint id, const QString& action)
{
    const QUrl link = m_links.take(id);
    if (!link.isEmpty()) {
        open(action, link);
        return;
    }
    constexpr qsizetype kRemembered = 8;
    m_earlyActions.append({id, action});
    if (m_earlyActions.size() > kRemembered)
        m_earlyActions.removeFirst();
}

void DBusNotifier::open(const QString& action, const QUrl& link)
{
    if (action == kAction || action == QLatin1String("default"))
        QDesktopServices::openUrl(link);
}
