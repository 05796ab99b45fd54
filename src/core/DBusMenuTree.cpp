#include "DBusMenuTree.h"

#include <algorithm>

DBusMenuTree::DBusMenuTree(const Menu& menu, int firstId) : m_nextId(std::max(firstId, 1))
{
    add(menu, m_rootChildren);
}

void DBusMenuTree::add(const Menu& menu, QList<int>& into)
{
    for (const MenuItem& source : menu.items) {
        const int id = m_nextId++;
        into.append(id);
        m_order.append(id);
        Node node;
        node.item = source;
        node.item.submenu.reset();
        m_nodes.insert(id, node);
        if (source.submenu) {
            QList<int> children;
            add(*source.submenu, children);
            m_nodes[id].children = children;
        }
    }
}

const MenuItem* DBusMenuTree::item(int id) const
{
    const auto it = m_nodes.constFind(id);
    return it == m_nodes.constEnd() ? nullptr : &it->item;
}

QList<int> DBusMenuTree::children(int id) const
{
    if (id == 0)
        return m_rootChildren;
    const auto it = m_nodes.constFind(id);
    return it == m_nodes.constEnd() ? QList<int>() : it->children;
}

QString DBusMenuTree::label(const QString& title)
{
    QString escaped = title;
    return escaped.replace(QLatin1Char('_'), QStringLiteral("__"));
}

QVariantMap DBusMenuTree::properties(int id, const QStringList& names, const ImageBytes& image) const
{
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (const MenuItem* entry = item(id)) {
        if (entry->separator) {
            all.insert(QStringLiteral("type"), QStringLiteral("separator"));
        } else {
            all.insert(QStringLiteral("type"), QStringLiteral("standard"));
            all.insert(QStringLiteral("label"), label(entry->title));
            all.insert(QStringLiteral("enabled"), entry->enabled);
            // Hosts draw a check box only for items that say they have one, checked or not.
            if (entry->checkable || entry->checked) {
                all.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
                all.insert(QStringLiteral("toggle-state"), entry->checked ? 1 : 0);
            }
            if (!children(id).isEmpty())
                all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
            if (!entry->image.isEmpty() && image) {
                const QByteArray png = image(entry->image);
                if (!png.isEmpty())
                    all.insert(QStringLiteral("icon-data"), png);
            }
        }
        all.insert(QStringLiteral("visible"), true);
    }
    if (names.isEmpty())
        return all;
    QVariantMap wanted;
    for (const QString& name : names)
        if (const auto it = all.constFind(name); it != all.constEnd())
            wanted.insert(name, *it);
    return wanted;
}
