// Clicks an item of a tray item's menu, as a panel does, for the end-to-end tests.
//   pellow-menu-click <label>   "clicked" to the first item at any depth labelled <label> of the first
//                               item the watcher has; exits 0 once sent, 1 when there is none yet.
//   pellow-menu-click --labels  prints every item's label, one a line.

#include "platform/DBusTrayTypes.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDateTime>

#include <cstdio>

namespace {

QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
}

QVariant property(const QString& service, const QString& path, const QString& interface, const QString& name)
{
    const QDBusMessage reply = call(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {interface, name});
    return qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant();
}

// The first item at any depth labelled `label`; with "--labels", prints every label instead.
const DBusMenuLayoutItem* find(const DBusMenuLayoutItem& in, const QString& label)
{
    for (const DBusMenuLayoutItem& child : in.children) {
        const QString text = child.properties.value(QStringLiteral("label")).toString();
        if (label == QLatin1String("--labels"))
            std::printf("%s\n", qPrintable(text));
        else if (text == label)
            return &child;
        if (const DBusMenuLayoutItem* deeper = find(child, label))
            return deeper;
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pellow-menu-click <label> | --labels\n");
        return 2;
    }
    registerDBusTrayTypes();
    const QString label = QString::fromLocal8Bit(argv[1]).replace(QLatin1Char('_'), QStringLiteral("__"));
    const QStringList items =
        property(QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
                 QStringLiteral("org.kde.StatusNotifierWatcher"),
                 QStringLiteral("RegisteredStatusNotifierItems"))
            .toStringList();
    if (items.isEmpty())
        return 1;
    // An entry is a bus name, optionally followed by the item's object path.
    const QString entry = items.first();
    const qsizetype slash = entry.indexOf(QLatin1Char('/'));
    const QString service = slash < 0 ? entry : entry.left(slash);
    const QString path = slash < 0 ? QStringLiteral("/StatusNotifierItem") : entry.mid(slash);
    const QString menuPath =
        property(service, path, QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Menu"))
            .value<QDBusObjectPath>()
            .path();
    if (menuPath.isEmpty())
        return 1;
    const QString dbusmenu = QStringLiteral("com.canonical.dbusmenu");
    call(service, menuPath, dbusmenu, QStringLiteral("AboutToShow"), {0});
    const QDBusMessage layout =
        call(service, menuPath, dbusmenu, QStringLiteral("GetLayout"), {0, -1, QStringList()});
    const DBusMenuLayoutItem root = qdbus_cast<DBusMenuLayoutItem>(layout.arguments().value(1));
    const DBusMenuLayoutItem* item = find(root, label);
    if (label == QLatin1String("--labels"))
        return 0;
    if (!item)
        return 1;
    const QDBusMessage clicked =
        call(service, menuPath, dbusmenu, QStringLiteral("Event"),
             {item->id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)),
              static_cast<uint>(QDateTime::currentSecsSinceEpoch())});
    return clicked.type() == QDBusMessage::ReplyMessage ? 0 : 1;
}
