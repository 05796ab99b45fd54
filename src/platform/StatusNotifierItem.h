#pragma once

#include "DBusTrayTypes.h"
#include "TrayItem.h"
#include "core/TrayLook.h"

#include <QColor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QHash>
#include <QObject>
#include <QPointer>

#include <optional>

class DBusMenuExporter;
class QDBusServiceWatcher;
class QMenu;

// Pellow's own StatusNotifierItem on the session bus, for panels that host such items (GNOME
// with the AppIndicator extension, KDE Plasma, XFCE, LXQt and MATE). Unlike an XEmbed icon it
// can carry the clock: as the label beside the icon, or, on panels that show no label, as digits
// in the icon itself. Which panel hosts it is told by the program that owns the watcher's name.
// Its menu is exported over dbusmenu. Every property signal goes out only on a real change, so
// a running countdown costs the panel the label and nothing else.
class StatusNotifierItem final : public QObject, public TrayItem, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ itemTitle)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menuPath)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(DBusIconPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QString OverlayIconName READ emptyText)
    Q_PROPERTY(DBusIconPixmapList OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyText)
    Q_PROPERTY(DBusIconPixmapList AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ emptyText)
    Q_PROPERTY(DBusToolTip ToolTip READ toolTip)
    Q_PROPERTY(QString XAyatanaLabel READ label SCRIPTABLE false)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide SCRIPTABLE false)
    Q_PROPERTY(uint XAyatanaOrderingIndex READ orderingIndex SCRIPTABLE false)

public:
    // `iconThemePath` is the folder holding hicolor/ with Pellow's icons; `desktop` is
    // XDG_CURRENT_DESKTOP, asked only when the panel's program is not a known one.
    StatusNotifierItem(const QDBusConnection& bus, const QString& iconThemePath, const QString& desktop,
                       QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Whether a StatusNotifierWatcher owns its name now (asks the bus, once).
    static bool watcherPresent(const QDBusConnection& bus);
    // Told when the item became registered with a watcher (true) or lost it (false).
    void setRegistrationHandler(std::function<void(bool)> handler) { m_onRegistration = std::move(handler); }
    bool isRegistered() const { return m_registered; }
    QString serviceName() const { return m_serviceName; }
    // What the hosting panel is known to do; set when the watcher's owner is found out.
    TrayLook::Host host() const { return m_host; }
    void setHost(const TrayLook::Host& host);

    // TrayItem
    bool hasButton() const override { return m_registered; }
    void setIcon(Icon icon) override;
    Icon icon() const override { return m_icon; }
    QString title() const override { return m_title; }
    void setTitle(const QString& title, bool shown) override;
    void setToolTip(const QString& text) override;
    void setClockStyle(TrayLook::ClockStyle style) override;
    void setMenu(const Menu& menu) override;
    void setHandlers(Handlers handlers) override;
    // Panels hosting these items come with a notification service, which is asked first.
    void showMessage(const QString&, const QString&) override {}

    // Properties on the bus
    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("pellow"); }
    QString itemTitle() const { return QStringLiteral("Pellow"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    bool itemIsMenu() const { return true; }
    QDBusObjectPath menuPath() const;
    QString iconName() const { return m_iconName; }
    DBusIconPixmapList iconPixmap() const { return m_pixmaps; }
    QString iconThemePath() const { return m_iconThemePath; }
    QString emptyText() const { return QString(); }
    DBusIconPixmapList noPixmaps() const { return {}; }
    DBusToolTip toolTip() const;
    QString label() const { return m_label; }
    QString labelGuide() const { return m_labelGuide; }
    uint orderingIndex() const { return 0; }

public slots:
    void Activate(int x, int y);
    void ContextMenu(int x, int y);
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString& orientation);
    void ProvideXdgActivationToken(const QString& token);
    void XAyatanaSecondaryActivate(uint timestamp);

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    // Declared for the interface's description; sent by sendLabelSignal().
    void XAyatanaNewLabel(const QString& label, const QString& guide);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void onItemUnregistered(const QString& item);
    void onKdeSettingsChanged(int change, int argument);

private:
    void registerWithWatcher(bool byPath);
    void setRegistered(bool registered);
    // Finds out which panel owns the watcher, from its process, then registers with it.
    void findHostThenRegister();
    // Works the label and the icon out afresh, and signals what changed.
    void update();
    void exportItem();
    // The label changes every second: sent as a ready message, which costs the connection's
    // thread far less than a relayed Qt signal.
    void sendLabelSignal();
    bool iconFound(const QString& name);
    void popUpMenu(int x, int y);

    QDBusConnection m_bus;
    QString m_iconThemePath;
    QString m_desktop;
    QString m_serviceName;
    DBusMenuExporter* m_menu = nullptr;
    QDBusServiceWatcher* m_watcher = nullptr;
    QPointer<QMenu> m_popup;
    Handlers m_handlers;
    std::function<void(bool)> m_onRegistration;
    bool m_registered = false;
    bool m_exported = false;
    bool m_labelOffered = true; // the label's properties are on the bus
    int m_retries = 0;
    static constexpr int kMaxRetries = 10;
    static constexpr int kRetryMs = 300;
    // Registering again after the watcher dropped the item: 250 ms, doubling, at most 8 times.
    int m_reRegistrations = 0;
    static constexpr int kMaxReRegistrations = 8;
    static constexpr int kFirstReRegistrationMs = 250;

    TrayLook::Host m_host;
    TrayLook::ClockStyle m_style = TrayLook::ClockStyle::Auto;
    QHash<QString, bool> m_iconsFound;
    QColor m_schemeInk; // the colour scheme Plasma switched to, once it has

    Icon m_icon = Icon::Timer;
    QString m_title;
    QString m_clock;
    QString m_iconName;
    // What the pixmaps were drawn from; nothing drawn when the host finds the icon by name.
    struct Drawn
    {
        Icon icon = Icon::Timer;
        QColor ink;
        QString digits;
        bool operator==(const Drawn&) const = default;
    };
    std::optional<Drawn> m_drawn;
    DBusIconPixmapList m_pixmaps;
    QString m_label;
    QString m_labelGuide;
    QString m_toolTipText;
};
