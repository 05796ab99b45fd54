#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// The structured values the tray item and its menu put on the session bus.

// One icon image, (iiay): width, height and ARGB32 pixels in network byte order.
struct DBusIconPixmap
{
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using DBusIconPixmapList = QList<DBusIconPixmap>;

// (sa(iiay)ss): icon name, icon images, title and text.
struct DBusToolTip
{
    QString iconName;
    DBusIconPixmapList images;
    QString title;
    QString text;
};

// One menu entry with its children, (ia{sv}av).
struct DBusMenuLayoutItem
{
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// (ia{sv}): the properties of one entry.
struct DBusMenuItemProperties
{
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemPropertiesList = QList<DBusMenuItemProperties>;

// (ias): property names removed from one entry.
struct DBusMenuItemKeys
{
    int id = 0;
    QStringList names;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;

// (isvu): one event of a group.
struct DBusMenuEvent
{
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

QDBusArgument& operator<<(QDBusArgument& arg, const DBusIconPixmap& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusIconPixmap& value);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusToolTip& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusToolTip& value);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayoutItem& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayoutItem& value);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemProperties& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemProperties& value);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemKeys& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemKeys& value);
QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& value);

// Registers every type above with QtDBus; safe to call more than once.
void registerDBusTrayTypes();

Q_DECLARE_METATYPE(DBusIconPixmap)
Q_DECLARE_METATYPE(DBusToolTip)
Q_DECLARE_METATYPE(DBusMenuLayoutItem)
Q_DECLARE_METATYPE(DBusMenuItemProperties)
Q_DECLARE_METATYPE(DBusMenuItemKeys)
Q_DECLARE_METATYPE(DBusMenuEvent)
