#pragma once

#include "TrayItem.h"

#include <QObject>
#include <QPointer>

class QMenu;
class QSystemTrayIcon;

// The tray item over QSystemTrayIcon (XEmbed or the platform's tray). The clock title goes
// into the tooltip; a left click opens the status menu.
class SystemTrayItem final : public QObject, public TrayItem
{
public:
    explicit SystemTrayItem(QObject* parent = nullptr);
    ~SystemTrayItem() override;

    bool hasButton() const override { return true; }
    void setIcon(Icon icon) override;
    Icon icon() const override { return m_iconKind; }
    QString title() const override { return m_title; }
    void setTitle(const QString& title, bool shown) override;
    void setMenu(const Menu& menu) override;
    void setActionHandler(ActionHandler handler) override { m_handler = std::move(handler); }
    void showMessage(const QString& title, const QString& body) override;

    // Opens the status menu at the pointer.
    void popUpMenu();

private:
    void updateToolTip();

    QSystemTrayIcon* m_tray = nullptr;
    QPointer<QMenu> m_menu;
    Icon m_iconKind = Icon::Timer;
    QString m_title;
    bool m_titleShown = false;
    ActionHandler m_handler;
};
