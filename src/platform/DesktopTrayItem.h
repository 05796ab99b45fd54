#pragma once

#include "TrayItem.h"
#include "core/TrayLook.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QDBusConnection;
class StatusNotifierItem;
class SystemTrayItem;

// The tray item Pellow uses on a desktop: its own StatusNotifierItem while a watcher hosts such
// items, else an XEmbed icon. It keeps what it was last told, so it can move between the two
// when a panel starts, restarts or goes away.
class DesktopTrayItem final : public QObject, public TrayItem
{
public:
    DesktopTrayItem(const QDBusConnection& bus, const QString& desktop, const QString& iconThemePath,
                    QObject* parent = nullptr);
    ~DesktopTrayItem() override;

    bool hasButton() const override;
    void setIcon(Icon icon) override;
    Icon icon() const override { return m_icon; }
    QString title() const override { return m_title; }
    void setTitle(const QString& title, bool shown) override;
    void setToolTip(const QString& text) override;
    void setClockStyle(TrayLook::ClockStyle style) override;
    void setMenu(const Menu& menu) override;
    void setHandlers(Handlers handlers) override;
    void showMessage(const QString& title, const QString& body) override;

    bool usesStatusNotifierItem() const { return m_sniActive; }

private:
    void useStatusNotifierItem(bool active);
    void replayTo(TrayItem& item);

    StatusNotifierItem* m_sni = nullptr;
    SystemTrayItem* m_fallback = nullptr;
    bool m_sniActive = false;
    // A panel restart drops the watcher for a moment: wait before showing an XEmbed icon.
    QTimer m_fallbackDelay;

    Icon m_icon = Icon::Timer;
    QString m_title;
    bool m_titleShown = false;
    QString m_toolTip;
    TrayLook::ClockStyle m_clockStyle = TrayLook::ClockStyle::Auto;
    Menu m_menu;
    Handlers m_handlers;
};
