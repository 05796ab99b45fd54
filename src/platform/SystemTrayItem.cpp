#include "SystemTrayItem.h"

#include "MenuRenderer.h"
#include "TrayIcons.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

SystemTrayItem::SystemTrayItem(QObject* parent)
    : QObject(parent), m_tray(new QSystemTrayIcon(this)), m_menu(new QMenu)
{
    m_tray->setIcon(TrayIcons::icon(Icon::Timer, QColor()));
    m_tray->setContextMenu(m_menu);
    updateToolTip();
    // Times in the menu are those of the moment it opens.
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        if (m_handlers.aboutToShow)
            m_handlers.aboutToShow();
    });
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            popUpMenu();
        else if (reason == QSystemTrayIcon::MiddleClick && m_handlers.secondaryActivate)
            m_handlers.secondaryActivate();
    });
    m_tray->show();
}

SystemTrayItem::~SystemTrayItem()
{
    delete m_menu.data();
}

bool SystemTrayItem::hasButton() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayItem::setIcon(Icon icon)
{
    m_iconKind = icon;
    m_tray->setIcon(TrayIcons::icon(icon, QColor()));
}

void SystemTrayItem::setTitle(const QString& title, bool shown)
{
    m_title = title;
    m_titleShown = shown;
    updateToolTip();
}

void SystemTrayItem::setToolTip(const QString& text)
{
    if (text == m_detail)
        return;
    m_detail = text;
    updateToolTip();
}

void SystemTrayItem::setMenu(const Menu& menu)
{
    if (menu == m_model && !m_menu->isEmpty())
        return;
    m_model = menu;
    // The action runs once the menu has closed: it may rebuild the menu whose item sent it.
    MenuRenderer::refill(m_menu, menu, [self = QPointer<SystemTrayItem>(this)](const MenuItem& item) {
        QMetaObject::invokeMethod(
            self,
            [self, item] {
                if (self && self->m_handlers.action)
                    self->m_handlers.action(item);
            },
            Qt::QueuedConnection);
    });
}

void SystemTrayItem::showMessage(const QString& title, const QString& body)
{
    m_tray->showMessage(title, body, QSystemTrayIcon::Information);
}

void SystemTrayItem::popUpMenu()
{
    m_menu->popup(QCursor::pos());
}

void SystemTrayItem::updateToolTip()
{
    // The tooltip is this item's only clock: it is a property of the window, not a bus message.
    const QString clock = m_title.trimmed();
    QString tip = m_titleShown && !clock.isEmpty() ? QStringLiteral("Pellow \u2014 ") + clock
                                                   : QStringLiteral("Pellow");
    if (!m_detail.isEmpty())
        tip += QLatin1Char('\n') + m_detail;
    m_tray->setToolTip(tip);
}
