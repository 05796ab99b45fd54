#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

struct Menu;

// One menu entry as data. Actions are named after what they do ("timerToggleRun:"); the
// controller dispatches on the name and hands the item to the handler, which reads its timer
// from the represented object.
struct MenuItem
{
    bool separator = false;
    QString title;
    QString action;             // empty: a label or a submenu holder
    QVariant representedObject; // a timer id, a QVariantMap, or a number
    bool checked = false;
    // Shows a check box whether or not it is checked.
    bool checkable = false;
    bool enabled = true;
    QString image; // "" none; "swatch:#rrggbb"; "swatch:neutral"
    QString toolTip;
    QString keyEquivalent;
    std::shared_ptr<const Menu> submenu;

    static MenuItem makeSeparator()
    {
        MenuItem item;
        item.separator = true;
        return item;
    }
    static MenuItem make(QString title, QString action = {}, QVariant represented = {})
    {
        MenuItem item;
        item.title = std::move(title);
        item.action = std::move(action);
        item.representedObject = std::move(represented);
        return item;
    }
    static MenuItem label(QString title)
    {
        MenuItem item = make(std::move(title));
        item.enabled = false;
        return item;
    }

    // Same entry, submenus compared by what they hold.
    bool operator==(const MenuItem& other) const;
};

struct Menu
{
    QList<MenuItem> items;

    Menu& add(MenuItem item)
    {
        items.append(std::move(item));
        return *this;
    }
    Menu& addSeparator() { return add(MenuItem::makeSeparator()); }

    bool operator==(const Menu& other) const { return items == other.items; }
};

inline bool MenuItem::operator==(const MenuItem& other) const
{
    const bool sameSubmenu =
        submenu == other.submenu || (submenu && other.submenu && *submenu == *other.submenu);
    return separator == other.separator && title == other.title && action == other.action &&
           representedObject == other.representedObject && checked == other.checked &&
           checkable == other.checkable && enabled == other.enabled && image == other.image &&
           toolTip == other.toolTip && keyEquivalent == other.keyEquivalent && sameSubmenu;
}

inline MenuItem submenuItem(QString title, Menu submenu)
{
    MenuItem item = MenuItem::make(std::move(title));
    item.submenu = std::make_shared<const Menu>(std::move(submenu));
    return item;
}

// The timer id an item carries: the represented object when it is a text, or the text under
// "id" when it is a map. Empty when there is none.
inline QString menuTimerID(const MenuItem& item)
{
    const QVariant& rep = item.representedObject;
    if (rep.typeId() == QMetaType::QString)
        return rep.toString();
    if (rep.typeId() == QMetaType::QVariantMap) {
        const QVariant id = rep.toMap().value(QStringLiteral("id"));
        if (id.typeId() == QMetaType::QString)
            return id.toString();
    }
    return QString();
}
