#include "ControllerFixture.h"
#include "platform/DBusTrayTypes.h"
#include "platform/StatusNotifierItem.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTest>

// Pellow's tray item on a private session bus, seen from a panel: a watcher the test owns, and
// calls and signals over a connection of its own, as a host would make them. Registering with a
// watcher started late and again after a panel restart is run_e2e.sh's.
class FakeWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public slots:
    void RegisterStatusNotifierItem(const QString& service) { registered.append(service); }
    void onLabel(const QString& label, const QString&) { labels.append(label); }

public:
    QStringList registered;
    QStringList labels;
};

class TestTrayItemDBus : public QObject
{
    Q_OBJECT

    const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection host{QStringLiteral("unset")};
    FakeWatcher watcher;

    QDBusMessage call(const QString& service, const QString& method, const QVariantList& args = {})
    {
        const bool menu = method != QLatin1String("Get");
        QDBusMessage msg = QDBusMessage::createMethodCall(
            service, menu ? QStringLiteral("/MenuBar") : QStringLiteral("/StatusNotifierItem"),
            menu ? QStringLiteral("com.canonical.dbusmenu")
                 : QStringLiteral("org.freedesktop.DBus.Properties"),
            method);
        msg.setArguments(args);
        // The item lives in this thread: wait with the event loop running so it can answer.
        return host.call(msg, QDBus::BlockWithGui, 5000);
    }
    QVariant property(const QString& service, const char* name)
    {
        const QDBusMessage reply = call(service, "Get", {QStringLiteral("org.kde.StatusNotifierItem"), name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    DBusMenuLayoutItem layout(const QString& service)
    {
        return qdbus_cast<DBusMenuLayoutItem>(
            call(service, "GetLayout", {0, -1, QStringList()}).arguments().value(1));
    }
    static const DBusMenuLayoutItem* find(const DBusMenuLayoutItem& in, const QString& labelStart)
    {
        for (const DBusMenuLayoutItem& child : in.children) {
            if (child.properties.value(QStringLiteral("label")).toString().startsWith(labelStart))
                return &child;
            if (const DBusMenuLayoutItem* deeper = find(child, labelStart))
                return deeper;
        }
        return nullptr;
    }
    static QString labelOf(const DBusMenuLayoutItem* item)
    {
        return item ? item->properties.value(QStringLiteral("label")).toString() : QString();
    }
    void click(const QString& service, int id)
    {
        call(service, "Event",
             {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(QString())), 0u});
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a session bus (dbus-run-session)");
        Q_INIT_RESOURCE(pellow);
        registerDBusTrayTypes();
        host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("host"));
        QVERIFY(host.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                    QDBusConnection::ExportAllSlots));
        QVERIFY(host.registerService(kWatcher));
    }

    // The label following a countdown, the menu and its events.
    void panelSeesTheClockAndDrivesTheMenu()
    {
        ControllerFixture f;
        StatusNotifierItem sni(QDBusConnection::sessionBus(), {});
        Platform platform = f.fake.platform();
        Platform onBus{platform.clock,       platform.scheduler,  platform.preferences,
                       platform.notifier,    platform.sounds,     sni,
                       platform.http,        platform.updateHttp, platform.autostart,
                       platform.soundFolders};
        const double now = f.fake.clock.current;
        PellowTimer tea = countdown(QStringLiteral("A"), 600, now);
        tea.label = QStringLiteral("Tea_time");
        const PellowTimer cake = countdown(QStringLiteral("B"), 1200, now, false);
        f.fake.preferences.setValue(QStringLiteral("timers"), *TimerJson::encode({tea, cake}));
        AppDelegate app(onBus);
        app.applicationDidFinishLaunching();
        const QString service = sni.serviceName();

        QTRY_COMPARE(watcher.registered, QStringList{service});
        QCOMPARE(property(service, "ItemIsMenu").toBool(), true);
        QCOMPARE(property(service, "XAyatanaLabel").toString(), QStringLiteral("10:00"));

        // One label signal per changed second, none for a title set again unchanged.
        QVERIFY(host.connect(service, QStringLiteral("/StatusNotifierItem"),
                             QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("XAyatanaNewLabel"),
                             &watcher, SLOT(onLabel(QString, QString))));
        for (int s = 0; s < 3; ++s) {
            f.fake.scheduler.advance(1);
            sni.setTitle(sni.title(), true);
        }
        QTRY_COMPARE(watcher.labels, (QStringList{"09:59", "09:58", "09:57"}));
        QCOMPARE(property(service, "XAyatanaLabel").toString(), QStringLiteral("09:57"));

        // The menu over the bus, its label escaped (the other properties are tst_statusmenu's).
        DBusMenuLayoutItem root = layout(service);
        const DBusMenuLayoutItem* toggle = find(root, QStringLiteral("Pause  Tea__time"));
        QCOMPARE(labelOf(toggle), QStringLiteral("Pause  Tea__time \u2014 10:00 \u00b7 ends 08:10"));
        const int staleId = toggle->id; // of this layout, which the next rebuild replaces
        const DBusMenuLayoutItem* each = find(root, QStringLiteral("Each timer"));
        QVERIFY(each && !each->children.isEmpty());

        // The tick leaves the menu alone; opening it brings the time of now.
        f.fake.scheduler.advance(60);
        QVERIFY(labelOf(find(layout(service), QStringLiteral("Pause  Tea__time"))).contains("10:00"));
        call(service, "AboutToShow", {0});
        root = layout(service);
        QVERIFY(labelOf(find(root, QStringLiteral("Pause  Tea__time"))).contains("08:57"));

        // A click on "Pause all" pauses and saves; an id of the old layout does nothing.
        const int writes = f.fake.preferences.writes;
        click(service, find(root, QStringLiteral("Pause all"))->id);
        QTRY_VERIFY(!f.storedTimers().value(0).running);
        QVERIFY(f.fake.preferences.writes > writes);
        click(service, staleId);
        QCoreApplication::processEvents();
        QCOMPARE(f.storedTimers().value(0).running, false);
    }
};

QTEST_MAIN(TestTrayItemDBus)
#include "tst_trayitem_dbus.moc"
