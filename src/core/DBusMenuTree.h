#pragma once

#include "MenuModel.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariantMap>

#include <functional>

// A menu model laid out the way the dbusmenu protocol sees it: every entry under an integer id
// (0 is the root), with its children and its properties. Ids start at `firstId` and are unique
// within one tree; a new tree from a later first id never reuses an old tree's ids.
class DBusMenuTree
{
public:
    // PNG bytes of an item's image (a colour swatch), or empty for none.
    using ImageBytes = std::function<QByteArray(const QString& image)>;

    DBusMenuTree() = default;
    DBusMenuTree(const Menu& menu, int firstId);

    bool contains(int id) const { return id == 0 || m_nodes.contains(id); }
    // The item under `id`; null for the root and unknown ids.
    const MenuItem* item(int id) const;
    QList<int> children(int id) const;
    // Every id after the root, in menu order.
    QList<int> ids() const { return m_order; }
    // The first id after the last one this tree uses.
    int nextId() const { return m_nextId; }

    // The item's properties, limited to `names` unless that is empty.
    QVariantMap properties(int id, const QStringList& names, const ImageBytes& image) const;

    // The label of a title: underscores doubled, since a single one marks a mnemonic.
    static QString label(const QString& title);

private:
    struct Node
    {
        MenuItem item; // without its submenu, which lives on as children
        QList<int> children;
    };
    void add(const Menu& menu, QList<int>& into);

    QHash<int, Node> m_nodes;
    QList<int> m_rootChildren;
    QList<int> m_order;
    int m_nextId = 1;
};
