#include "DBusTrayTypes.h"

#include <QDBusMetaType>

QDBusArgument& operator<<(QDBusArgument& arg, const DBusIconPixmap& value)
{
    arg.beginStructure();
    arg << value.width << value.height << value.pixels;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusIconPixmap& value)
{
    arg.beginStructure();
    arg >> value.width >> value.height >> value.pixels;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusToolTip& value)
{
    arg.beginStructure();
    arg << value.iconName << value.images << value.title << value.text;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusToolTip& value)
{
    arg.beginStructure();
    arg >> value.iconName >> value.images >> value.title >> value.text;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayoutItem& value)
{
    arg.beginStructure();
    arg << value.id << value.properties;
    // Children go as variants, which is what lets the layout nest.
    arg.beginArray(qMetaTypeId<QDBusVariant>());
    for (const DBusMenuLayoutItem& child : value.children)
        arg << QDBusVariant(QVariant::fromValue(child));
    arg.endArray();
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayoutItem& value)
{
    arg.beginStructure();
    arg >> value.id >> value.properties;
    value.children.clear();
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant variant;
        arg >> variant;
        const QDBusArgument nested = variant.variant().value<QDBusArgument>();
        DBusMenuLayoutItem child;
        nested >> child;
        value.children.append(child);
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemProperties& value)
{
    arg.beginStructure();
    arg << value.id << value.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemProperties& value)
{
    arg.beginStructure();
    arg >> value.id >> value.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemKeys& value)
{
    arg.beginStructure();
    arg << value.id << value.names;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemKeys& value)
{
    arg.beginStructure();
    arg >> value.id >> value.names;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& value)
{
    arg.beginStructure();
    arg << value.id << value.eventId << value.data << value.timestamp;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& value)
{
    arg.beginStructure();
    arg >> value.id >> value.eventId >> value.data >> value.timestamp;
    arg.endStructure();
    return arg;
}

void registerDBusTrayTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusIconPixmap>();
        qDBusRegisterMetaType<DBusIconPixmapList>();
        qDBusRegisterMetaType<DBusToolTip>();
        qDBusRegisterMetaType<DBusMenuLayoutItem>();
        qDBusRegisterMetaType<DBusMenuItemProperties>();
        qDBusRegisterMetaType<DBusMenuItemPropertiesList>();
        qDBusRegisterMetaType<DBusMenuItemKeys>();
        qDBusRegisterMetaType<DBusMenuItemKeysList>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<DBusMenuEventList>();
        // Methods and signals name the lists by these aliases, and QtDBus looks parameter types up
        // by name: without them it leaves the methods that take them out of the interface.
        qRegisterMetaType<DBusIconPixmapList>("DBusIconPixmapList");
        qRegisterMetaType<DBusMenuItemPropertiesList>("DBusMenuItemPropertiesList");
        qRegisterMetaType<DBusMenuItemKeysList>("DBusMenuItemKeysList");
        qRegisterMetaType<DBusMenuEventList>("DBusMenuEventList");
        return true;
    }();
    static_cast<void>(registered);
}
