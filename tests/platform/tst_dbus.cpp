#include "ControllerFixture.h"
#include "app/DBusControl.h"
#include "platform/DBusNotifier.h"
#include "platform/DBusTrayTypes.h"
#include "platform/StatusNotifierItem.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDesktopServices>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

// Pellow on a private session bus as panels and scripts see it, over a connection of the test's own:
// the tray item with a watcher doing what real panels cannot on demand (tray_hosts_e2e.py's reference
// client reads the menu), the control interface, the real `pellow` command line, notifications.
class FakeWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public slots:
    void RegisterStatusNotifierItem(const QString& service) { registered.append(service); }
    void onLabel(const QString& label, const QString&) { labels.append(label); }
    void onIcon() { ++icons; }
    void onToolTip() { ++toolTips; }
signals:
    void StatusNotifierItemUnregistered(const QString& item);

public:
    QStringList registered, labels;
    int icons = 0, toolTips = 0;
};

// A notification service that answers with the capabilities it is given and records each body.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body, const QStringList&,
                const QVariantMap&, int)
    {
        bodies.append(body);
        return uint(bodies.size());
    }
    void opened(const QUrl& url) { links.append(url.toString()); }

public:
    QStringList capabilities, bodies, links;
};

class TestDBus : public QObject
{
    Q_OBJECT

    QDBusConnection host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "host");
    FakeWatcher watcher;

    // The items live in this thread: the call waits with the event loop running so they can answer.
    QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& args = {})
    {
        QDBusMessage msg = QDBusMessage::createMethodCall(service, path, interface, method);
        msg.setArguments(args);
        return host.call(msg, QDBus::BlockWithGui, 5000);
    }
    QVariant property(const QString& service, const char* name)
    {
        const QDBusMessage reply = call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                        "Get", {QStringLiteral("org.kde.StatusNotifierItem"), name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    ControllerFixture f;
    std::unique_ptr<DBusControl> control;

    // Calls a method of the control interface; the error name, empty on success.
    QString callMethod(const QString& method, const QVariantList& args = {}, QVariant* value = nullptr)
    {
        const QDBusMessage reply =
            call(DBusControl::kService, DBusControl::kPath, DBusControl::kService, method, args);
        if (value)
            *value = reply.arguments().value(0);
        return reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a session bus (dbus-run-session)");
        Q_INIT_RESOURCE(pellow);
        registerDBusTrayTypes();
        QVERIFY(host.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                    QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(host.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
        f.launch({countdown("tea", 1500, f.fake.clock.current), countdown("egg", 600, f.fake.clock.current)});
        f.app->timers[0].label = QStringLiteral("Tea");
        control = std::make_unique<DBusControl>(*f.app);
        QVERIFY(control->registerOn(QDBusConnection::sessionBus()));
    }

    // A running countdown costs a panel the label each second and nothing else; one that shows
    // no label gets a new icon only when the digits in it change.
    void signalsOnlyOnChange()
    {
        ControllerFixture t;
        StatusNotifierItem sni(QDBusConnection::sessionBus(), QString(), QString());
        t.fake.preferences.setValue("timers",
                                    *TimerJson::encode({countdown("A", 1500, t.fake.clock.current)}));
        AppDelegate app(t.fake.platform(sni));
        app.applicationDidFinishLaunching();
        const QString service = sni.serviceName();
        QTRY_COMPARE(watcher.registered, QStringList{service});
        // This watcher's program is no known panel: the clock goes beside the icon and into it.
        QCOMPARE(property(service, "XAyatanaLabel").toString(), QStringLiteral("25:00"));
        QVERIFY(property(service, "IconName").toString().isEmpty());
        sni.setHost({true, TrayLook::Tint::Host});
        for (const char* name : {"XAyatanaNewLabel", "NewIcon", "NewToolTip"})
            QVERIFY(host.connect(service, "/StatusNotifierItem", "org.kde.StatusNotifierItem", name, &watcher,
                                 name[3] == 'I'   ? SLOT(onIcon())
                                 : name[3] == 'T' ? SLOT(onToolTip())
                                                  : SLOT(onLabel(QString, QString))));
        for (int s = 0; s < 3; ++s)
            t.fake.scheduler.advance(1);
        QTRY_COMPARE(watcher.labels, (QStringList{"24:59", "24:58", "24:57"}));
        QCOMPARE(watcher.icons + watcher.toolTips, 0);

        sni.setHost({false, TrayLook::Tint::Host}); // the label goes, the minutes go into the icon
        for (int s = 0; s < 3; ++s)
            t.fake.scheduler.advance(1);
        app.pauseAllTimers(); // the tooltip tells the state: once
        QTRY_COMPARE(watcher.toolTips, 1);
        QCOMPARE(watcher.labels.last(), QString());
        QCOMPARE(watcher.icons, 1);
        QVERIFY(property(service, "IconName").toString().isEmpty());
    }

    // Where the panel follows the colour scheme, a switch between light and dark re-tints the icon:
    // the application's palette changing, or Plasma announcing the scheme it wrote.
    void colourSchemeSwitchReTints()
    {
        StatusNotifierItem sni(QDBusConnection::sessionBus(), QString(), QString());
        QTRY_VERIFY(watcher.registered.contains(sni.serviceName())); // its own host found first
        sni.setHost({false, TrayLook::Tint::Palette});
        const DBusIconPixmapList before = sni.iconPixmap();
        QSignalSpy icons(&sni, &StatusNotifierItem::NewIcon);
        const QPalette light = QGuiApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::WindowText, light.color(QPalette::Window));
        dark.setColor(QPalette::Window, light.color(QPalette::WindowText));
        QApplication::setPalette(dark);
        QCOMPARE(icons.size(), 1);
        QVERIFY(sni.iconPixmap().value(0).pixels != before.value(0).pixels);
        QApplication::setPalette(light);

        QTemporaryDir config;
        const QByteArray home = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        QFile kdeglobals(config.filePath(QStringLiteral("kdeglobals")));
        QVERIFY(kdeglobals.open(QIODevice::WriteOnly));
        kdeglobals.write("[Colors:Window]\nBackgroundNormal=32,35,38\nForegroundNormal=252,252,252\n");
        kdeglobals.close();
        QDBusMessage paletteChanged = QDBusMessage::createSignal(QStringLiteral("/KGlobalSettings"),
                                                                 QStringLiteral("org.kde.KGlobalSettings"),
                                                                 QStringLiteral("notifyChange"));
        icons.clear();
        QDBusConnection::sessionBus().send(paletteChanged << 0 << 0);
        QTRY_COMPARE(icons.size(), 1);
        home.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", home);
        const DBusIconPixmap& drawn = sni.iconPixmap().value(0);
        // ARGB32, big-endian on the bus: the ink's opaque pixels are the scheme's near-white.
        int inked = 0;
        for (int i = 0; i + 3 < drawn.pixels.size(); i += 4)
            inked += drawn.pixels.mid(i, 4) == QByteArray("\xff\xfc\xfc\xfc", 4);
        QVERIFY2(inked > 10, "the icon is not drawn in the scheme's text colour");
    }

    // A watcher that drops the item while keeping its name gets it back, however it names it;
    // the calls some hosts make beyond the basic protocol are answered.
    void watcherDropsTheItemAndUnusualCalls()
    {
        StatusNotifierItem sni(QDBusConnection::sessionBus(), QString(), QString());
        const QString service = sni.serviceName();
        watcher.registered.clear();
        QTRY_COMPARE(watcher.registered, QStringList{service});
        emit watcher.StatusNotifierItemUnregistered(service + QStringLiteral("-other"));
        emit watcher.StatusNotifierItemUnregistered(service);
        QTRY_COMPARE(watcher.registered.size(), 2);
        emit watcher.StatusNotifierItemUnregistered(service + QStringLiteral("/StatusNotifierItem"));
        QTRY_COMPARE(watcher.registered.size(), 3);
        QCOMPARE(watcher.registered.count(service), 3);

        for (const auto& [method, args] :
             {std::pair<const char*, QVariantList>{"ProvideXdgActivationToken", {QStringLiteral("token")}},
              {"XAyatanaSecondaryActivate", {0u}}})
            QCOMPARE(call(service, "/StatusNotifierItem", "org.kde.StatusNotifierItem", method, args).type(),
                     QDBusMessage::ReplyMessage);
        // Plasma shows its own menu on a left click only when Activate fails.
        sni.setHost(TrayLook::hostFor(QStringLiteral("/usr/bin/kded5"), {}, QString()));
        QCOMPARE(call(service, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {10, 10})
                     .errorName(),
                 QStringLiteral("org.freedesktop.DBus.Error.NotSupported"));
        // Events for ids that do not exist: the unknown ones named, an error when none exists.
        sni.setMenu(Menu().add(MenuItem::make("Quit Pellow", "quit")));
        const auto events = [&](const QList<int>& ids) {
            DBusMenuEventList list;
            for (int id : ids)
                list.append(DBusMenuEvent{id, QStringLiteral("hovered"), QDBusVariant(0), 0});
            return call(service, "/MenuBar", "com.canonical.dbusmenu", "EventGroup",
                        {QVariant::fromValue(list)});
        };
        QDBusMessage reply = events({1, 999});
        QCOMPARE(qdbus_cast<QList<int>>(reply.arguments().value(0)), QList<int>{999});
        reply = events({999});
        QCOMPARE(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    }
    // The control interface's methods (a toggle and the list as the command line uses them: its rows).
    void methods()
    {
        QSignalSpy changed(control.get(), &DBusControl::TimersChanged);
        QVariant id;
        QCOMPARE(callMethod("NewTimer", {900.0, QStringLiteral("Bread")}, &id), QString());
        const PellowTimer* bread = f.app->timerWithID(id.toString());
        QVERIFY(bread && bread->label == QLatin1String("Bread") && bread->running && bread->duration == 900);
        QCOMPARE(callMethod("NewTimer", {0.0, QString()}, &id), QString());
        QVERIFY(!f.app->timerWithID(id.toString())->isCountdown());
        for (const double bad : {-1.0, std::nan(""), 1e12})
            QCOMPARE(callMethod("NewTimer", {bad, QString()}), "app.pellow.Pellow.Error.InvalidLength");
        QCOMPARE(callMethod("Toggle", {"nope"}), "app.pellow.Pellow.Error.UnknownTimer");
        QCOMPARE(callMethod("PauseAll"), QString());
        QVERIFY(std::none_of(f.app->timers.cbegin(), f.app->timers.cend(),
                             [](const auto& t) { return t.running; }));
        QCOMPARE(callMethod("Remove", {id}), QString());
        QVERIFY(!f.app->timerWithID(id.toString()));
        QCOMPARE(callMethod("ShowHUD", {true}), QString());
        QVERIFY(f.fake.preferences.boolValue("timerHUDVisible"));
        QCOMPARE(changed.size(), 4); // two new timers, pause all, remove
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("list") << QStringList{"list"} << 0 << "tea\tTea\t";
        QTest::newRow("toggle by name") << QStringList{"toggle", "TEA"} << 0 << "";
        QTest::newRow("toggle unknown") << QStringList{"toggle", "Soup"} << 1 << "no timer is called Soup";
        QTest::newRow("new") << QStringList{"new", "7:30", "Pasta", "water"} << 0 << "-";
        QTest::newRow("bad length") << QStringList{"new", "soon"} << 2 << "Couldn't read that length: soon";
        QTest::newRow("unknown command") << QStringList{"fly"} << 2 << "unknown command: fly";
        // The last row: the interface is taken off the bus first.
        QTest::newRow("Pellow not running") << QStringList{"pause-all"} << 1 << "Pellow is not running";
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        const bool teaRan = f.app->timerWithID("tea")->running;
        if (args.first() == QLatin1String("pause-all"))
            QVERIFY(QDBusConnection::sessionBus().unregisterService(DBusControl::kService));
        QProcess pellow; // waited for with the event loop turning, so Pellow here can answer it
        pellow.start(QStringLiteral(PELLOW_BINARY), args);
        QVERIFY(QTest::qWaitFor([&pellow] { return pellow.state() == QProcess::NotRunning; }, 15'000));
        const QString out = QString::fromUtf8(pellow.readAllStandardOutput() + pellow.readAllStandardError());
        QTEST(pellow.exitCode(), "exitCode");
        QFETCH(QString, output);
        QVERIFY2(out.contains(output), qPrintable(out));
        if (args.first() == QLatin1String("toggle") && out.isEmpty())
            QCOMPARE(f.app->timerWithID("tea")->running, !teaRan);
        if (args.first() == QLatin1String("new"))
            QCOMPARE(f.app->timers.last().label, QStringLiteral("Pasta water"));
    }

    // Names reach the body as the text they are, and a link goes with its notification: forgotten
    // once the notification closes or the service is replaced.
    void notifications()
    {
        const QString service = QStringLiteral("org.freedesktop.Notifications");
        const QString path = QStringLiteral("/org/freedesktop/Notifications");
        FakeNotifications daemon;
        QVERIFY(host.registerObject(path, &daemon, QDBusConnection::ExportAllSlots));
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &daemon, "opened");
        const auto signal = [&](const char* name, const QVariantList& args) {
            QDBusMessage message = QDBusMessage::createSignal(path, service, QString::fromLatin1(name));
            message.setArguments(args);
            QVERIFY(host.send(message));
        };
        // Pellow's connection has seen the service come back once a watcher on it has.
        QDBusServiceWatcher seen(service, QDBusConnection::sessionBus(),
                                 QDBusServiceWatcher::WatchForRegistration);
        QSignalSpy registered(&seen, &QDBusServiceWatcher::serviceRegistered);
        const auto restart = [&](const QStringList& capabilities) {
            host.unregisterService(service);
            daemon.capabilities = capabilities;
            const qsizetype before = registered.size();
            QVERIFY(host.registerService(service));
            QTRY_COMPARE(registered.size(), before + 1);
        };
        DBusNotifier notifier({});
        // Each posts a notification and waits until the service has it; ids count from 1.
        const auto link = [&](const char* url) {
            const qsizetype posted = daemon.bodies.size() + 1;
            notifier.postLink("Pellow", "v2", "Get it", QUrl(QString::fromLatin1(url)));
            QTRY_COMPARE(daemon.bodies.size(), posted);
        };
        const QString name = QStringLiteral("Tea & toast <a href=\"https://x.example\">x</a>");
        restart({"body", "body-markup"});
        notifier.post("Pellow", name);
        QTRY_COMPARE(daemon.bodies.value(0),
                     "Tea &amp; toast &lt;a href=\"https://x.example\"&gt;x&lt;/a&gt;");
        link("https://a.example"); // 2, closed before its action
        link("https://b.example"); // 3
        link("https://c.example"); // 4, its service replaced before its action
        signal("NotificationClosed", {2u, 2u});
        for (uint id : {2u, 3u})
            signal("ActionInvoked", {id, QStringLiteral("default")});
        QTRY_COMPARE(daemon.links, QStringList{"https://b.example"});
        restart({"body"});
        link("https://d.example"); // 5
        for (uint id : {4u, 5u})
            signal("ActionInvoked", {id, QStringLiteral("default")});
        QTRY_COMPARE(daemon.links, (QStringList{"https://b.example", "https://d.example"}));
        host.unregisterService(service);
        host.unregisterObject(path);

        // The recording notification service, which reads no markup (the body goes as it is) and
        // clicks "Download" as soon as it shows the notice (its signal may overtake Notify's
        // reply): title, body and action as it shows them, and the link opened.
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("notifications.jsonl"));
        QProcess recorder;
        recorder.start(QStringLiteral(PELLOW_NOTIFICATION_RECORDER), {log, "--click", "Download"});
        QTRY_COMPARE_WITH_TIMEOUT(registered.size(), 3, 30'000); // after the two restarts above
        notifier.postLink("Pellow 2.0 is out", "Get it & see", "Download", QUrl("https://pellow.app/get"));
        QByteArray line;
        QVERIFY(QTest::qWaitFor(
            [&] {
                QFile file(log);
                return file.open(QIODevice::ReadOnly) && (line = file.readAll()).endsWith('\n');
            },
            30'000));
        QJsonObject shown = QJsonDocument::fromJson(line).object();
        shown.remove("at");
        QCOMPARE(shown, QJsonDocument::fromJson(
                            R"({"app":"Pellow","summary":"Pellow 2.0 is out","body":"Get it & see",)"
                            R"("actions":["default","Download","open-link","Download"]})")
                            .object());
        QTRY_COMPARE_WITH_TIMEOUT(daemon.links.last(), QStringLiteral("https://pellow.app/get"), 30'000);
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        recorder.kill();
        recorder.waitForFinished();
    }
};

QTEST_MAIN(TestDBus)
#include "tst_dbus.moc"
