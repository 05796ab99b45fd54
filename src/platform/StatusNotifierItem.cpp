#include "StatusNotifierItem.h"

#include "DBusMenuExporter.h"
#include "MenuRenderer.h"
#include "TrayIcons.h"
#include "core/StatusTitle.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QMenu>
#include <QTimer>
#include <QtEndian>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");

// ARGB32 in network byte order, as the item protocol wants its pixels.
DBusIconPixmap toDBusPixmap(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    DBusIconPixmap pixmap;
    pixmap.width = image.width();
    pixmap.height = image.height();
    pixmap.pixels.resize(qsizetype(image.width()) * image.height() * 4);
    auto* out = reinterpret_cast<quint32*>(pixmap.pixels.data());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            *out++ = qToBigEndian(line[x]);
    }
    return pixmap;
}

} // namespace

StatusNotifierItem::StatusNotifierItem(const QDBusConnection& bus, Look look, QObject* parent)
    : QObject(parent), m_bus(bus), m_look(std::move(look))
{
    registerDBusTrayTypes();
    static int instances = 0;
    m_serviceName = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                        .arg(QCoreApplication::applicationPid())
                        .arg(++instances);
    updateIcon();
    m_menu = new DBusMenuExporter(m_bus, kMenuPath, this);
    m_bus.registerObject(kItemPath, this,
                         QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                             QDBusConnection::ExportAllProperties);
    m_bus.registerService(m_serviceName);

    // A panel that restarts takes the watcher's name again: register with the new owner.
    m_watcher =
        new QDBusServiceWatcher(kWatcherService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                m_retries = 0;
                if (newOwner.isEmpty())
                    setRegistered(false);
                else
                    registerWithWatcher(false);
            });
    registerWithWatcher(false);
}

StatusNotifierItem::~StatusNotifierItem()
{
    delete m_popup.data();
    m_bus.unregisterService(m_serviceName);
    m_bus.unregisterObject(kItemPath);
}

bool StatusNotifierItem::watcherPresent(const QDBusConnection& bus)
{
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kWatcherService);
}

void StatusNotifierItem::registerWithWatcher(bool byPath)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcherService, QStringLiteral("/StatusNotifierWatcher"),
                                       kWatcherService, QStringLiteral("RegisterStatusNotifierItem"));
    // Most watchers take the bus name; some want the object path and read the name off the call.
    call << (byPath ? kItemPath : m_serviceName);
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, byPath](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusError::ErrorType error = done->isError() ? done->error().type() : QDBusError::NoError;
        if (error == QDBusError::NoError) {
            setRegistered(true);
        } else if (error == QDBusError::UnknownObject || error == QDBusError::UnknownMethod ||
                   error == QDBusError::UnknownInterface) {
            // A panel takes the watcher's name a moment before it serves it: ask again shortly.
            if (m_retries++ < kMaxRetries)
                QTimer::singleShot(kRetryMs, this, [this, byPath] { registerWithWatcher(byPath); });
            else
                setRegistered(false);
        } else if (!byPath && error != QDBusError::ServiceUnknown) {
            registerWithWatcher(true);
        } else {
            setRegistered(false);
        }
    });
}

void StatusNotifierItem::setRegistered(bool registered)
{
    if (registered == m_registered)
        return;
    m_registered = registered;
    if (m_onRegistration)
        m_onRegistration(registered);
}

QDBusObjectPath StatusNotifierItem::menuPath() const
{
    return QDBusObjectPath(kMenuPath);
}

DBusToolTip StatusNotifierItem::toolTip() const
{
    return DBusToolTip{m_iconName, {}, QStringLiteral("Pellow"), m_toolTipText};
}

void StatusNotifierItem::setIcon(Icon icon)
{
    if (icon == m_icon)
        return;
    m_icon = icon;
    updateIcon();
    emit NewIcon();
}

void StatusNotifierItem::updateIcon()
{
    const auto symbol = m_icon == Icon::Checkmark ? TrayLook::Symbol::Checkmark : TrayLook::Symbol::Timer;
    const bool digits = m_look.clockInIcon && !m_iconDigits.isEmpty();
    m_iconName = TrayLook::themeIconName(symbol, m_look.glyph, digits);
    m_pixmaps.clear();
    for (int size : {16, 22, 32, 48})
        m_pixmaps.append(
            toDBusPixmap(TrayIcons::image(m_icon, m_look.ink, size, digits ? m_iconDigits : QString())));
}

void StatusNotifierItem::setTitle(const QString& title, bool shown)
{
    m_title = title;
    const QString clock = shown ? title.trimmed() : QString();
    if (clock != m_label) {
        const QString guide = StatusTitle::labelGuide(clock);
        m_label = clock;
        m_labelGuide = guide;
        emit XAyatanaNewLabel(m_label, m_labelGuide);
    }
    if (clock != m_toolTipText) {
        m_toolTipText = clock;
        emit NewToolTip();
    }
    if (m_look.clockInIcon) {
        const QString digits = StatusTitle::compactClock(clock);
        if (digits != m_iconDigits) {
            m_iconDigits = digits;
            updateIcon();
            emit NewIcon();
        }
    }
}

void StatusNotifierItem::setMenu(const Menu& menu)
{
    m_menu->setMenu(menu);
}

void StatusNotifierItem::setHandlers(Handlers handlers)
{
    m_handlers = std::move(handlers);
    m_menu->setHandlers({m_handlers.action, m_handlers.aboutToShow});
}

void StatusNotifierItem::popUpMenu(int x, int y)
{
    if (m_handlers.aboutToShow)
        m_handlers.aboutToShow();
    delete m_popup.data();
    m_popup = MenuRenderer::render(m_menu->menu(),
                                   [self = QPointer<StatusNotifierItem>(this)](const MenuItem& item) {
                                       QMetaObject::invokeMethod(
                                           self,
                                           [self, item] {
                                               if (self && self->m_handlers.action)
                                                   self->m_handlers.action(item);
                                           },
                                           Qt::QueuedConnection);
                                   });
    // Hosts that give no place get the menu at the pointer.
    m_popup->popup(x > 0 || y > 0 ? QPoint(x, y) : QCursor::pos());
}

void StatusNotifierItem::Activate(int x, int y)
{
    popUpMenu(x, y);
}

void StatusNotifierItem::ContextMenu(int x, int y)
{
    popUpMenu(x, y);
}

void StatusNotifierItem::SecondaryActivate(int, int)
{
    if (m_handlers.secondaryActivate)
        m_handlers.secondaryActivate();
}

void StatusNotifierItem::Scroll(int, const QString&) {}
