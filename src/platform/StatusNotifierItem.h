#pragma once

#include "DBusTrayTypes.h"
#include "TrayItem.h"
#include "core/TrayLook.h"

#include <QColor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QPointer>

class DBusMenuExporter;
class QDBusServiceWatcher;
class QMenu;

// Pellow's own StatusNotifierItem on the session bus, for panels that host such items (GNOME
// with the AppIndicator extension, KDE Plasma, XFCE and MATE indicator plugins). Unlike an XEmbed
// icon it can carry the clock: as the label beside the icon, in the tooltip, and, on panels that
// show no label, as digits in the icon itself. Its menu is exported over dbusmenu.
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
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)
    Q_PROPERTY(uint XAyatanaOrderingIndex READ orderingIndex)

public:
    struct Look
    {
        TrayLook::Glyph glyph = TrayLook::Glyph::HostTinted;
        bool clockInIcon = false;
        QColor ink;
        // The folder holding hicolor/, for panels that look Pellow's icons up by name.
        QString iconThemePath;
    };

    StatusNotifierItem(const QDBusConnection& bus, Look look, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Whether a StatusNotifierWatcher owns its name now (asks the bus, once).
    static bool watcherPresent(const QDBusConnection& bus);
    // Told when the item became registered with a watcher (true) or lost it (false).
    void setRegistrationHandler(std::function<void(bool)> handler) { m_onRegistration = std::move(handler); }
    bool isRegistered() const { return m_registered; }
    QString serviceName() const { return m_serviceName; }

    // TrayItem
    bool hasButton() const override { return m_registered; }
    void setIcon(Icon icon) override;
    Icon icon() const override { return m_icon; }
    QString title() const override { return m_title; }
    void setTitle(const QString& title, bool shown) override;
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
    QString iconThemePath() const { return m_look.iconThemePath; }
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

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    void XAyatanaNewLabel(const QString& label, const QString& guide);

private:
    void registerWithWatcher(bool byPath);
    void setRegistered(bool registered);
    void updateIcon();
    void popUpMenu(int x, int y);

    QDBusConnection m_bus;
    Look m_look;
    QString m_serviceName;
    DBusMenuExporter* m_menu = nullptr;
    QDBusServiceWatcher* m_watcher = nullptr;
    QPointer<QMenu> m_popup;
    Handlers m_handlers;
    std::function<void(bool)> m_onRegistration;
    bool m_registered = false;
    int m_retries = 0;
    static constexpr int kMaxRetries = 10;
    static constexpr int kRetryMs = 300;

    Icon m_icon = Icon::Timer;
    QString m_iconName;
    QString m_iconDigits;
    DBusIconPixmapList m_pixmaps;
    QString m_title;
    QString m_label;
    QString m_labelGuide;
    QString m_toolTipText;
};
