#include "DBusMenuExporter.h"

#include "MenuRenderer.h"

#include <QDBusMessage>
#include <QGuiApplication>
#include <QPointer>

DBusMenuExporter::DBusMenuExporter(const QDBusConnection& bus, const QString& path, QObject* parent)
    : QObject(parent), m_bus(bus), m_path(path)
{
    registerDBusTrayTypes();
    m_bus.registerObject(m_path, this,
                         QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                             QDBusConnection::ExportAllProperties);
}

DBusMenuExporter::~DBusMenuExporter()
{
    m_bus.unregisterObject(m_path);
}

QString DBusMenuExporter::textDirection() const
{
    return QGuiApplication::isRightToLeft() ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

void DBusMenuExporter::setMenu(const Menu& menu)
{
    if (menu == m_menu && m_revision > 1)
        return;
    m_menu = menu;
    m_tree = DBusMenuTree(menu, m_tree.nextId());
    ++m_revision;
    emit LayoutUpdated(m_revision, 0);
}

DBusMenuLayoutItem DBusMenuExporter::layoutOf(int id, int depth, const QStringList& names) const
{
    DBusMenuLayoutItem layout;
    layout.id = id;
    layout.properties = m_tree.properties(id, names, &MenuRenderer::swatchPng);
    if (depth == 0)
        return layout;
    for (int child : m_tree.children(id))
        layout.children.append(layoutOf(child, depth < 0 ? -1 : depth - 1, names));
    return layout;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayoutItem& layout)
{
    if (!m_tree.contains(parentId)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No menu item with id %1").arg(parentId));
        return m_revision;
    }
    layout = layoutOf(parentId, recursionDepth, propertyNames);
    return m_revision;
}

DBusMenuItemPropertiesList DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                                const QStringList& propertyNames)
{
    DBusMenuItemPropertiesList result;
    // No ids asks for every item.
    for (int id : ids.isEmpty() ? m_tree.ids() : ids)
        if (m_tree.contains(id))
            result.append({id, m_tree.properties(id, propertyNames, &MenuRenderer::swatchPng)});
    return result;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name)
{
    const QVariantMap properties = m_tree.properties(id, {name}, &MenuRenderer::swatchPng);
    if (!m_tree.contains(id) || !properties.contains(name)) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("No property %1 on item %2").arg(name).arg(id));
        return QDBusVariant(QVariant(0));
    }
    return QDBusVariant(properties.value(name));
}

bool DBusMenuExporter::handleEvent(int id, const QString& eventId)
{
    if (!m_tree.contains(id))
        return false;
    if (eventId == QLatin1String("opened") && id == 0) {
        AboutToShow(0);
        return true;
    }
    if (eventId != QLatin1String("clicked"))
        return true;
    const MenuItem* item = m_tree.item(id);
    if (!item || !item->enabled || item->action.isEmpty() || !m_handlers.action)
        return true;
    // After the reply: the action may rebuild the menu whose item sent it.
    QMetaObject::invokeMethod(
        this,
        [self = QPointer<DBusMenuExporter>(this), chosen = *item] {
            if (self && self->m_handlers.action)
                self->m_handlers.action(chosen);
        },
        Qt::QueuedConnection);
    return true;
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp)
{
    Q_UNUSED(data);
    Q_UNUSED(timestamp);
    handleEvent(id, eventId);
}

QList<int> DBusMenuExporter::EventGroup(const DBusMenuEventList& events)
{
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events)
        if (!handleEvent(event.id, event.eventId))
            idErrors.append(event.id);
    // The protocol's answer when not one of the ids was found.
    if (!events.isEmpty() && idErrors.size() == events.size())
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("None of the menu items exists"));
    return idErrors;
}

bool DBusMenuExporter::AboutToShow(int id)
{
    // Only the whole menu is rebuilt, and only as it opens: rebuilding under an open submenu
    // would take its items away from the host.
    if (id != 0 || !m_handlers.aboutToShow)
        return false;
    const uint before = m_revision;
    m_handlers.aboutToShow();
    return m_revision != before;
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    QList<int> updatesNeeded;
    for (int id : ids) {
        if (!m_tree.contains(id))
            idErrors.append(id);
        else if (AboutToShow(id))
            updatesNeeded.append(id);
    }
    if (!ids.isEmpty() && idErrors.size() == ids.size())
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("None of the menu items exists"));
    return updatesNeeded;
}
