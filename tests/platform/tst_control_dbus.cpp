#include "ControllerFixture.h"

#include "app/DBusControl.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

// Pellow's D-Bus interface on a private session bus, called from a connection of its own as a
// script would, and the real `pellow` command line against it.
class TestControlDBus : public QObject
{
    Q_OBJECT

    ControllerFixture f;
    std::unique_ptr<DBusControl> control;
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");

    // Calls a method and spins the event loop (the service answers from this thread) until the
    // reply comes; the error name, empty on success.
    QString callMethod(const QString& method, const QVariantList& args = {}, QVariant* value = nullptr)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(DBusControl::kService, DBusControl::kPath,
                                                              DBusControl::kService, method);
        message.setArguments(args);
        QDBusPendingCall pending = client.asyncCall(message, 5000);
        if (!QTest::qWaitFor([&pending] { return pending.isFinished(); }, 6000))
            return QStringLiteral("timed out");
        if (value)
            *value = pending.reply().arguments().value(0);
        return pending.isError() ? pending.error().name() : QString();
    }

    // Runs `pellow ARGS` to its end; its exit code, with its output in `out`.
    int pellow(const QStringList& args, QString* out)
    {
        QProcess process;
        process.start(QStringLiteral(PELLOW_BINARY), args);
        if (!QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 15'000))
            return -1;
        *out = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
        return process.exitCode();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(client.isConnected());
        f.launch({countdown("tea", 1500, f.fake.clock.current), countdown("egg", 600, f.fake.clock.current)});
        f.app->timers[0].label = QStringLiteral("Tea");
        control = std::make_unique<DBusControl>(*f.app);
        QVERIFY(control->registerOn(QDBusConnection::sessionBus()));
    }

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
            QCOMPARE(callMethod("NewTimer", {bad, QString()}),
                     QStringLiteral("app.pellow.Pellow.Error.InvalidLength"));
        QCOMPARE(callMethod("Toggle", {QStringLiteral("egg")}), QString());
        QVERIFY(!f.app->timerWithID("egg")->running);
        QCOMPARE(callMethod("Toggle", {QStringLiteral("nope")}),
                 QStringLiteral("app.pellow.Pellow.Error.UnknownTimer"));
        QCOMPARE(callMethod("PauseAll"), QString());
        QVERIFY(std::none_of(f.app->timers.cbegin(), f.app->timers.cend(),
                             [](const auto& t) { return t.running; }));
        QCOMPARE(callMethod("Remove", {id}), QString());
        QVERIFY(!f.app->timerWithID(id.toString()));
        QVariant list;
        QCOMPARE(callMethod("ListTimers", {}, &list), QString());
        QCOMPARE(TimerJson::decodeBytes(list.toString().toUtf8()).value_or(TimerList{}), f.app->timers);
        QCOMPARE(callMethod("ShowHUD", {true}), QString());
        QVERIFY(f.fake.preferences.boolValue("timerHUDVisible"));
        QCOMPARE(changed.size(), 5); // two new timers, toggle, pause all, remove
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
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        const bool teaRan = f.app->timerWithID("tea")->running;
        QString out;
        QTEST(pellow(args, &out), "exitCode");
        QFETCH(QString, output);
        QVERIFY2(out.contains(output), qPrintable(out));
        if (args.first() == QLatin1String("toggle") && out.isEmpty())
            QCOMPARE(f.app->timerWithID("tea")->running, !teaRan);
        if (args.first() == QLatin1String("new"))
            QCOMPARE(f.app->timers.last().label, QStringLiteral("Pasta water"));
    }

    void notRunning()
    {
        QVERIFY(QDBusConnection::sessionBus().unregisterService(DBusControl::kService));
        QString out;
        QCOMPARE(pellow({"pause-all"}, &out), 1);
        QVERIFY(out.contains("Pellow is not running"));
    }
};

QTEST_MAIN(TestControlDBus)
#include "tst_control_dbus.moc"
