#include "SystemTrayItem.h"

#include "MenuRenderer.h"
#include "TrayIcons.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

SystemTrayItem::SystemTrayItem(QObject* parent) : QObject(parent), m_tray(new QSystemTrayIcon(this))
{
    m_tray->setIcon(TrayIcons::icon(Icon::Timer));
    updateToolTip();
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            popUpMenu();
    });
    m_tray->show();
}

SystemTrayItem::~SystemTrayItem()
{
    delete m_menu;
}

void SystemTrayItem::setIcon(Icon icon)
{
    m_iconKind = icon;
    m_tray->setIcon(TrayIcons::icon(icon));
}

void SystemTrayItem::setTitle(const QString& title, bool shown)
{
    m_title = title;
    m_titleShown = shown;
    updateToolTip();
}

void SystemTrayItem::setMenu(const Menu& menu)
{
    QMenu* old = m_menu;
    m_menu = MenuRenderer::render(menu, [this](const MenuItem& item) {
        if (m_handler)
            m_handler(item);
    });
    m_tray->setContextMenu(m_menu);
    if (old)
        old->deleteLater();
}

void SystemTrayItem::showMessage(const QString& title, const QString& body)
{
    m_tray->showMessage(title, body, QSystemTrayIcon::Information);
}

void SystemTrayItem::popUpMenu()
{
    if (m_menu)
        m_menu->popup(QCursor::pos());
}

void SystemTrayItem::updateToolTip()
{
    const QString clock = m_title.trimmed();
    m_tray->setToolTip(m_titleShown && !clock.isEmpty() ? QStringLiteral("Pellow \u2014 ") + clock
                                                        : QStringLiteral("Pellow"));
}
