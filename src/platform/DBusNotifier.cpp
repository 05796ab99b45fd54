#include "DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDesktopServices>
#include <QVariantMap>

#include <algorithm>
#include <utility>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kAction = QStringLiteral("open-link");

} // namespace

DBusNotifier::DBusNotifier(Fallback fallback, QObject* parent)
    : QObject(parent), m_fallback(std::move(fallback))
{}

QString DBusNotifier::escapedBody(const QString& body)
{
    QString escaped = body;
    escaped.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    escaped.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    escaped.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return escaped;
}

void DBusNotifier::post(const QString& title, const QString& body)
{
    notify({title, body, {}, {}, false, {}});
}

void DBusNotifier::postLink(const QString& title, const QString& body, const QString& actionTitle,
                            const QUrl& link)
{
    notify({title, body, {QStringLiteral("default"), actionTitle, kAction, actionTitle}, link, false, {}});
}

void DBusNotifier::postUrgent(const QString& title, const QString& body, const QList<Action>& actions,
                              std::function<void(const QString& key)> invoked)
{
    QStringList pairs;
    for (const Action& action : actions)
        pairs << action.key << action.title;
    notify({title, body, pairs, {}, true, std::move(invoked)});
}

void DBusNotifier::notify(const Notice& notice)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fallBack(notice);
        return;
    }
    if (!m_watcher) {
        // A new service (or the old one restarted) numbers its notifications afresh and may read
        // markup differently: what was known of the old one is forgotten.
        m_watcher = new QDBusServiceWatcher(kService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { serviceChanged(); });
    }
    if ((!notice.link.isEmpty() || notice.invoked) && !m_listening) {
        m_listening = bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                                  SLOT(actionInvoked(uint, QString)));
        bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this,
                    SLOT(notificationClosed(uint, uint)));
    }
    if (m_bodyMarkup) {
        send(notice);
        return;
    }
    m_waiting.append(notice);
    askCapabilities();
}

void DBusNotifier::askCapabilities()
{
    if (m_asking)
        return;
    m_asking = true;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        m_asking = false;
        const QDBusPendingReply<QStringList> reply = *watcher;
        // No answer: the notices go out as plain text, and fall back if nothing takes them.
        m_bodyMarkup = !reply.isError() && reply.value().contains(QLatin1String("body-markup"));
        const QList<Notice> waiting = std::exchange(m_waiting, {});
        for (const Notice& notice : waiting)
            send(notice);
    });
}

void DBusNotifier::send(const Notice& notice)
{
    const QString body = m_bodyMarkup.value_or(false) ? escapedBody(notice.body) : notice.body;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // Urgent (critical) and never expiring, for a finish; the server's defaults otherwise.
    QVariantMap hints;
    if (notice.urgent)
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(2)));
    call << QStringLiteral("Pellow") << quint32(0) << QStringLiteral("pellow") << notice.title << body
         << notice.actions << hints << qint32(notice.urgent ? 0 : -1);
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, notice] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            fallBack(notice);
            return;
        }
        const uint id = reply.value();
        if (notice.link.isEmpty() && !notice.invoked)
            return;
        const auto early = std::find_if(m_earlyActions.cbegin(), m_earlyActions.cend(),
                                        [id](const auto& a) { return a.first == id; });
        if (early == m_earlyActions.cend()) {
            if (notice.invoked)
                m_handlers.insert(id, notice.invoked);
            else
                m_links.insert(id, notice.link);
        } else if (notice.invoked) {
            notice.invoked(early->second);
        } else {
            open(early->second, notice.link);
        }
    });
}

void DBusNotifier::fallBack(const Notice& notice)
{
    if (notice.invoked)
        notice.invoked(QString());
    if (m_fallback)
        m_fallback(notice.title, notice.link.isEmpty()
                                     ? notice.body
                                     : notice.body + QLatin1Char('\n') + notice.link.toString());
}

void DBusNotifier::serviceChanged()
{
    m_links.clear();
    m_earlyActions.clear();
    // The old service's notifications are gone with it: as good as dismissed.
    const auto handlers = std::exchange(m_handlers, {});
    for (const auto& handler : handlers)
        handler(QString());
    m_bodyMarkup.reset();
}

void DBusNotifier::actionInvoked(uint id, const QString& action)
{
    if (const auto handler = m_handlers.take(id)) {
        handler(action);
        return;
    }
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

void DBusNotifier::notificationClosed(uint id, uint reason)
{
    Q_UNUSED(reason);
    m_links.remove(id);
    if (const auto handler = m_handlers.take(id))
        handler(QString());
}
