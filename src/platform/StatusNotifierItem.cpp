#include "StatusNotifierItem.h"

#include "DBusMenuExporter.h"
#include "KdeColourScheme.h"
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
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
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

// The program a process runs and its arguments, from /proc; empty when it cannot be read.
QStringList commandLineOf(uint pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList parts;
    for (const QByteArray& part : file.read(64 * 1024).split('\0'))
        if (!part.isEmpty())
            parts.append(QString::fromLocal8Bit(part));
    return parts;
}

} // namespace

StatusNotifierItem::StatusNotifierItem(const QDBusConnection& bus, const QString& iconThemePath,
                                       const QString& desktop, QObject* parent)
    : QObject(parent), m_bus(bus), m_iconThemePath(iconThemePath), m_desktop(desktop),
      m_host(TrayLook::hostFor(QString(), {}, desktop))
{
    registerDBusTrayTypes();
    static int instances = 0;
    m_serviceName = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                        .arg(QCoreApplication::applicationPid())
                        .arg(++instances);
    update();
    m_menu = new DBusMenuExporter(m_bus, kMenuPath, this);
    if (!m_iconThemePath.isEmpty())
        m_menu->setIconThemePath({m_iconThemePath});
    exportItem();
    m_bus.registerService(m_serviceName);

    // A panel that restarts takes the watcher's name again: register with the new owner.
    m_watcher =
        new QDBusServiceWatcher(kWatcherService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                m_retries = 0;
                m_reRegistrations = 0;
                if (newOwner.isEmpty()) {
                    setRegistered(false);
                } else {
                    findHostThenRegister();
                }
            });
    // A watcher may also drop the item while it keeps its name (a shell restarting its extension).
    m_bus.connect(kWatcherService, kWatcherPath, kWatcherService,
                  QStringLiteral("StatusNotifierItemUnregistered"), this, SLOT(onItemUnregistered(QString)));
    // Plasma announces a switch of colour scheme here; Qt's own palette keeps the one it started with.
    m_bus.connect(QString(), QStringLiteral("/KGlobalSettings"), QStringLiteral("org.kde.KGlobalSettings"),
                  QStringLiteral("notifyChange"), this, SLOT(onKdeSettingsChanged(int, int)));
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
    findHostThenRegister();
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
    QDBusMessage call = QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, kWatcherService,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
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

void StatusNotifierItem::onItemUnregistered(const QString& item)
{
    // Watchers name an item by its bus name, or by the bus name and its object path.
    if (item != m_serviceName && item != m_serviceName + kItemPath)
        return;
    setRegistered(false);
    if (m_reRegistrations >= kMaxReRegistrations)
        return;
    const int delay = kFirstReRegistrationMs << m_reRegistrations++;
    QTimer::singleShot(delay, this, [this] {
        m_retries = 0;
        registerWithWatcher(false);
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

void StatusNotifierItem::findHostThenRegister()
{
    // The host is known before it first reads the item, so it never sees the clock in both places.
    const QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                             QStringLiteral("/org/freedesktop/DBus"),
                                                             QStringLiteral("org.freedesktop.DBus"),
                                                             QStringLiteral("GetConnectionUnixProcessID"))
                              << kWatcherService;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusPendingReply<uint> reply = *done;
        if (!reply.isError()) {
            const QStringList command = commandLineOf(reply.value());
            setHost(TrayLook::hostFor(command.value(0), command.mid(1), m_desktop));
        }
        registerWithWatcher(false);
    });
}

void StatusNotifierItem::setHost(const TrayLook::Host& host)
{
    m_host = host;
    update();
}

bool StatusNotifierItem::eventFilter(QObject* watched, QEvent* event)
{
    // A switch between light and dark colour schemes re-tints the icon at once.
    if (event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance())
        update();
    return QObject::eventFilter(watched, event);
}

void StatusNotifierItem::onKdeSettingsChanged(int change, int)
{
    constexpr int kPaletteChanged = 0;
    if (change != kPaletteChanged)
        return;
    m_schemeInk = KdeColourScheme::windowText();
    update();
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
    m_icon = icon;
    update();
}

bool StatusNotifierItem::iconFound(const QString& name)
{
    const auto known = m_iconsFound.constFind(name);
    if (known != m_iconsFound.constEnd())
        return *known;
    const QString file = QStringLiteral("hicolor/scalable/apps/%1.svg").arg(name);
    const bool found =
        (!m_iconThemePath.isEmpty() && QFile::exists(m_iconThemePath + QLatin1Char('/') + file)) ||
        !QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("icons/") + file)
             .isEmpty();
    m_iconsFound.insert(name, found);
    return found;
}

void StatusNotifierItem::exportItem()
{
    // The label's properties are the only ones marked not scriptable: left out, the item has none.
    const auto properties =
        m_labelOffered ? QDBusConnection::ExportAllProperties : QDBusConnection::ExportScriptableProperties;
    if (m_exported)
        m_bus.unregisterObject(kItemPath);
    m_exported = m_bus.registerObject(
        kItemPath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | properties);
}

void StatusNotifierItem::update()
{
    const TrayLook::ClockPlace place = TrayLook::clockPlace(m_host, m_style);
    if (const bool offered = place.label || !m_host.labelHidesIcon; offered != m_labelOffered) {
        m_labelOffered = offered;
        if (m_exported)
            exportItem();
    }
    const QString label = place.label ? m_clock : QString();
    if (label != m_label) {
        m_label = label;
        m_labelGuide = StatusTitle::labelGuide(label);
        sendLabelSignal();
    }

    const QString digits =
        place.icon && m_icon == Icon::Timer ? StatusTitle::compactClock(m_clock) : QString();
    const auto symbol = m_icon == Icon::Checkmark ? TrayLook::Symbol::Checkmark : TrayLook::Symbol::Timer;
    const QString name = TrayLook::iconName(symbol, m_host.tint, !digits.isEmpty());
    // Pixmaps only where the host cannot find the icon by name; drawn in the palette's ink where
    // the panel follows the palette, in full colour where nobody tints them.
    const bool drawn = name.isEmpty() || !iconFound(name);
    const QColor ink = m_host.tint != TrayLook::Tint::Palette ? QColor()
                       : m_schemeInk.isValid()                ? m_schemeInk
                                                              : TrayIcons::paletteInk();
    const auto wanted = drawn ? std::optional<Drawn>(Drawn{m_icon, ink, digits}) : std::nullopt;
    if (name == m_iconName && wanted == m_drawn)
        return;
    m_iconName = name;
    m_drawn = wanted;
    m_pixmaps.clear();
    if (drawn)
        for (int size : {16, 22, 32})
            m_pixmaps.append(toDBusPixmap(TrayIcons::image(m_icon, ink, size, digits)));
    emit NewIcon();
}

void StatusNotifierItem::sendLabelSignal()
{
    if (!m_exported)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(kItemPath, QStringLiteral("org.kde.StatusNotifierItem"),
                                                     QStringLiteral("XAyatanaNewLabel"));
    signal << m_label << m_labelGuide;
    m_bus.send(signal);
}

void StatusNotifierItem::setTitle(const QString& title, bool shown)
{
    m_title = title;
    m_clock = shown ? title.trimmed() : QString();
    update();
}

void StatusNotifierItem::setToolTip(const QString& text)
{
    if (text == m_toolTipText)
        return;
    m_toolTipText = text;
    emit NewToolTip();
}

void StatusNotifierItem::setClockStyle(TrayLook::ClockStyle style)
{
    if (style == m_style)
        return;
    m_style = style;
    update();
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
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    m_popup->popup(TrayLook::menuAnchor(QPoint(x, y), QCursor::pos(), screens));
}

void StatusNotifierItem::Activate(int x, int y)
{
    // Plasma asks Activate on a left click even of an item that is a menu, and shows its own
    // rendering of the menu (as on a right click) only when the call fails: let it fail there.
    if (m_host.menuOnFailedActivate && calledFromDBus()) {
        sendErrorReply(QDBusError::NotSupported, QStringLiteral("This item is a menu: show it"));
        return;
    }
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

void StatusNotifierItem::XAyatanaSecondaryActivate(uint)
{
    SecondaryActivate(0, 0);
}

void StatusNotifierItem::ProvideXdgActivationToken(const QString& token)
{
    // The window a click opens next presents this token, so the compositor lets it take focus.
    if (!token.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}

void StatusNotifierItem::Scroll(int, const QString&) {}
