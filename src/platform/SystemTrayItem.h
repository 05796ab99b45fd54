#pragma once

#include "TrayItem.h"

#include <QObject>
#include <QPointer>

class QMenu;
class QSystemTrayIcon;

// The tray item over QSystemTrayIcon (XEmbed), for desktops without a StatusNotifierItem host.
// The clock title goes into the tooltip; a left click opens the status menu. The icon is in full
// colour: the tray behind it may be light or dark, and nothing tells which.
class SystemTrayItem final : public QObject, public TrayItem
{
public:
    explicit SystemTrayItem(QObject* parent = nullptr);
    ~SystemTrayItem() override;

    bool hasButton() const override;
    void setIcon(Icon icon) override;
    Icon icon() const override { return m_iconKind; }
    QString title() const override { return m_title; }
    void setTitle(const QString& title, bool shown) override;
    void setToolTip(const QString& text) override;
    void setMenu(const Menu& menu) override;
    void setHandlers(Handlers handlers) override { m_handlers = std::move(handlers); }
    void showMessage(const QString& title, const QString& body) override;

    // Opens the status menu at the pointer.
    void popUpMenu();

private:
    void updateToolTip();

    QSystemTrayIcon* m_tray = nullptr;
    // One menu for the item's life, refilled in place: it may be rebuilt as it opens.
    QPointer<QMenu> m_menu;
    Menu m_model;
    Icon m_iconKind = Icon::Timer;
    QString m_title;
    bool m_titleShown = false;
    QString m_detail;
    Handlers m_handlers;
};
