#include "DesktopTrayItem.h"

#include "StatusNotifierItem.h"
#include "SystemTrayItem.h"

#include <QDBusConnection>
#include <QDir>

DesktopTrayItem::DesktopTrayItem(const QDBusConnection& bus, const QString& desktop,
                                 const QString& iconThemePath, QObject* parent)
    : QObject(parent)
{
    if (bus.isConnected()) {
        m_sni = new StatusNotifierItem(bus, QDir::cleanPath(iconThemePath), desktop, this);
        m_sni->setRegistrationHandler([this](bool registered) {
            if (registered) {
                m_fallbackDelay.stop();
                useStatusNotifierItem(true);
            } else if (m_sniActive) {
                m_fallbackDelay.start();
            } else {
                useStatusNotifierItem(false);
            }
        });
    }
    m_fallbackDelay.setSingleShot(true);
    m_fallbackDelay.setInterval(3000);
    connect(&m_fallbackDelay, &QTimer::timeout, this, [this] { useStatusNotifierItem(false); });
    // Until the watcher answers, the item counts as shown when a watcher is there at all.
    useStatusNotifierItem(m_sni && StatusNotifierItem::watcherPresent(bus));
}

DesktopTrayItem::~DesktopTrayItem()
{
    delete m_fallback;
}

void DesktopTrayItem::useStatusNotifierItem(bool active)
{
    m_sniActive = active;
    if (active) {
        delete m_fallback;
        m_fallback = nullptr;
    } else if (!m_fallback) {
        m_fallback = new SystemTrayItem(this);
        replayTo(*m_fallback);
    }
}

void DesktopTrayItem::replayTo(TrayItem& item)
{
    item.setHandlers(m_handlers);
    item.setIcon(m_icon);
    item.setTitle(m_title, m_titleShown);
    item.setToolTip(m_toolTip);
    item.setClockStyle(m_clockStyle);
    item.setMenu(m_menu);
}

bool DesktopTrayItem::hasButton() const
{
    return m_sniActive || (m_fallback && m_fallback->hasButton());
}

void DesktopTrayItem::setIcon(Icon icon)
{
    m_icon = icon;
    if (m_sni)
        m_sni->setIcon(icon);
    if (m_fallback)
        m_fallback->setIcon(icon);
}

void DesktopTrayItem::setTitle(const QString& title, bool shown)
{
    m_title = title;
    m_titleShown = shown;
    if (m_sni)
        m_sni->setTitle(title, shown);
    if (m_fallback)
        m_fallback->setTitle(title, shown);
}

void DesktopTrayItem::setToolTip(const QString& text)
{
    m_toolTip = text;
    if (m_sni)
        m_sni->setToolTip(text);
    if (m_fallback)
        m_fallback->setToolTip(text);
}

void DesktopTrayItem::setClockStyle(TrayLook::ClockStyle style)
{
    m_clockStyle = style;
    if (m_sni)
        m_sni->setClockStyle(style);
}

void DesktopTrayItem::setMenu(const Menu& menu)
{
    m_menu = menu;
    if (m_sni)
        m_sni->setMenu(menu);
    if (m_fallback)
        m_fallback->setMenu(menu);
}

void DesktopTrayItem::setHandlers(Handlers handlers)
{
    m_handlers = std::move(handlers);
    if (m_sni)
        m_sni->setHandlers(m_handlers);
    if (m_fallback)
        m_fallback->setHandlers(m_handlers);
}

void DesktopTrayItem::showMessage(const QString& title, const QString& body)
{
    if (m_fallback)
        m_fallback->showMessage(title, body);
}
