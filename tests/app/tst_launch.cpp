#include "ControllerFixture.h"

#include "app/SingleInstance.h"
#include "app/Updater.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Launching: catching up on time closed, unreadable lists, defaults, no tray, the one-instance lock,
// opening at login, and the update checks (when they run, what they say).
class TestLaunch : public QObject
{
    Q_OBJECT

    std::unique_ptr<ControllerFixture> f;
    FakeHttpClient& http() { return f->fake.http; }
    QStringList notices() const
    {
        QStringList out;
        for (const auto& [title, body] : f->fake.notifier.posted)
            out << title + QStringLiteral(": ") + body;
        return out;
    }

private slots:
    void init() { f = std::make_unique<ControllerFixture>(); }

    void ranOutWhileClosed_data()
    {
        QTest::addColumn<bool>("alerted");
        QTest::addColumn<int>("notices");
        QTest::newRow("not yet alerted") << false << 1;
        QTest::newRow("already alerted elsewhere") << true << 0;
    }
    void ranOutWhileClosed()
    {
        QFETCH(bool, alerted);
        QFETCH(int, notices);
        PellowTimer tea = countdown("T", 300, f->fake.clock.current - 900);
        tea.alerted = alerted;
        f->fake.preferences.setValue(QStringLiteral("timers"), *TimerJson::encode({tea}));
        f->app = std::make_unique<AppDelegate>(f->fake.platform());
        f->app->applicationDidFinishLaunching();

        const PellowTimer stored = f->storedTimers().value(0);
        QVERIFY(!stored.running && stored.alerted && stored.banked == 300.0);
        // The notice's text is finished_while_closed_e2e.py's; the first menu is built after the catch-up.
        QCOMPARE(f->fake.notifier.posted.size(), notices);
        QCOMPARE(f->fake.sounds.played.size(), notices);
        QCOMPARE(f->fake.tray.icon(), notices ? TrayItem::Icon::Checkmark : TrayItem::Icon::Timer);
        QVERIFY(f->fake.tray.menu.items.value(0).title.endsWith(QStringLiteral("finished")));
    }

    void undecodableListIsKeptAside()
    {
        const QJsonValue stored(QJsonArray{QJsonObject{{"id", "x"}}}); // a record without its keys
        f->launch({}, {{QStringLiteral("timers"), stored}});
        QVERIFY(f->app->timers.isEmpty());
        // A later save replaces "timers" but the unreadable value survives under its own key.
        f->app->startAllTimers();
        QCOMPARE(f->fake.preferences.value(QStringLiteral("timers")), QJsonValue(QJsonArray{}));
        const QStringList aside = f->fake.preferences.storedValues().keys().filter("timers.unreadable-");
        QCOMPARE(aside.size(), 1);
        QCOMPARE(f->fake.preferences.value(aside[0]), stored);
    }

    // A save that fails is said once, however many follow, until one succeeds.
    void failedSavesAreSaidOnce()
    {
        f->launch({countdown("A", 300, 0, false)});
        f->fake.preferences.failure = QStringLiteral("preferences.json: No space left on device");
        f->app->startAllTimers();
        f->app->pauseAllTimers();
        QCOMPARE(f->fake.notifier.posted.size(), 1);
        QVERIFY(f->fake.notifier.posted[0].second.startsWith(
            "Couldn't save your timers and settings (preferences.json: No space left on device)"));
        f->fake.preferences.failure.reset();
        f->app->startAllTimers();
        f->fake.preferences.failure = QStringLiteral("again");
        f->app->pauseAllTimers();
        QCOMPARE(f->fake.notifier.posted.size(), 2);
    }

    // A dead process's lock does not block the next start, whose lock then holds (handover:
    // finished_while_closed_e2e.py).
    void staleInstanceLockIsTakenOver()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        QFile::setPermissions(runtime.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile lock(runtime.filePath(QStringLiteral("pellow-test.lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        // A pid above any this machine has handed out.
        lock.write("999999\npellow\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        SingleInstance next(QStringLiteral("pellow-test"));
        QVERIFY(next.claim());
        SingleInstance after(QStringLiteral("pellow-test"));
        QVERIFY(!after.claim());
    }

    // Defaults are read, never stored (a later version's reach whoever never chose); sounds are
    // readied when a timer first runs. A desktop that shows no tray gets, after a grace for the
    // panel to come up, one notice and the HUD.
    void firstLaunchWithoutATray()
    {
        f->fake.tray.button = false;
        f->launch();
        QVERIFY(f->fake.preferences.boolValue(QStringLiteral("timerInMenuBar")));
        QCOMPARE(f->fake.preferences.storedValues().keys(), QStringList{"timers"}); // the list alone
        QVERIFY(f->fake.sounds.preloaded.isEmpty());
        f->app->timers.append(countdown("T", 300, f->fake.clock.current));
        f->app->commitChange();
        QCOMPARE(f->fake.sounds.preloaded, (QStringList{"chime", "tap", "ping", "chirp"}));
        f->fake.scheduler.advance(2.5);
        QVERIFY(f->fake.notifier.posted.isEmpty());
        f->fake.scheduler.advance(10);
        QCOMPARE(f->fake.notifier.posted.size(), 1);
        QVERIFY(f->fake.notifier.posted[0].second.startsWith("Pellow is running, but this desktop"));
        QVERIFY(f->fake.preferences.boolValue(QStringLiteral("timerHUDVisible")));
    }

    void checks_data()
    {
        QTest::addColumn<QString>("stored"); // empty: nothing stored
        QTest::addColumn<double>("last");    // days before launch of the stored last check; 0: none
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<double>("due"); // seconds after launch of the first check; 0: none
        const double day = 86400;
        QTest::newRow("first launch") << "" << 0.0 << false << 3.0;
        QTest::newRow("unknown value") << "daily" << 0.0 << false << 3.0;
        QTest::newRow("weekly, never checked") << "weekly" << 0.0 << true << 7 * day;
        QTest::newRow("monthly, 29 days ago") << "monthly" << 29.0 << true << day;
        QTest::newRow("never") << "never" << 0.0 << false << 0.0;
    }
    // One background check 3 s in "on every launch"; an automatic choice counts from the last check
    // stored (from now when none), across restarts; switching to Never stops it.
    void checks()
    {
        QFETCH(QString, stored);
        QFETCH(double, last);
        QFETCH(double, due);
        QJsonObject prefs;
        if (!stored.isEmpty())
            prefs["updateFrequency"] = stored;
        if (last > 0)
            prefs["updateLastCheck"] = f->fake.clock.current - last * 86400;
        f->launch({}, prefs);
        QTEST(f->app->updater().automaticallyChecksForUpdates(), "automatic");
        f->fake.scheduler.advance((due > 0 ? due : 60 * 86400) - 0.1);
        QVERIFY(http().fetched.isEmpty());
        f->fake.scheduler.advance(0.2);
        QCOMPARE(http().fetched.size(), due > 0 ? 1 : 0);
        if (due == 0)
            return;
        http().fetched[0].done(std::nullopt);
        QCOMPARE(f->fake.preferences.doubleValue(Updater::kLastCheckKey), f->fake.clock.current);
        f->app->setUpdateFrequency(ControllerFixture::sender(QStringLiteral("never")));
        QVERIFY(!f->app->updater().automaticallyChecksForUpdates());
        f->fake.scheduler.advance(60 * 86400);
        QCOMPARE(http().fetched.size(), 1);
    }

    void replies_data()
    {
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<QVariant>("reply"); // a feed object; invalid: no reply
        QTest::addColumn<QString>("notice");
        const auto feed = [](const QJsonValue& version, const QJsonValue& url = "https://pellow.app/get") {
            return QVariant(QJsonObject{{"version", version}, {"url", url}});
        };
        const auto row = [](const char* name, bool interactive, const QVariant& reply,
                            const QString& notice) { QTest::newRow(name) << interactive << reply << notice; };
        QJsonObject newer = feed("1.4.0").toJsonObject();
        newer["notes"] = "Faster.";
        const QString upToDate = "Pellow: Pellow is up to date",
                      failed = "Pellow: Couldn't check for updates";
        row("newer, asked", true, newer, "Pellow 1.4.0 is available: Faster.\nhttps://pellow.app/get");
        row("ten after nine, no notes", false, feed("0.10"),
            "Pellow 0.10 is available: A newer Pellow is ready to download.\nhttps://pellow.app/get");
        row("same, shorter", true, feed("0.1"), upToDate);
        row("older, background", false, feed("0.0.9"), "");
        row("suffix", true, feed("1.4.0-beta"), failed);
        row("plain http", true, feed("2", "http://pellow.app"), failed);
        row("no reply, asked", true, QVariant(), failed);
        row("garbage, background", false, QJsonObject{{"v", 1}}, "");
    }
    // A check asked for says what it found; one in the background speaks only of a newer version.
    void replies()
    {
        QFETCH(bool, interactive);
        QFETCH(QVariant, reply);
        f->launch({}, {{"updateFrequency", "never"}});
        interactive ? f->app->checkForUpdates() : f->app->updater().checkForUpdatesInBackground();
        QCOMPARE(http().fetched.size(), 1);
        http().fetched[0].done(reply.isValid() ? HttpClient::Reply(reply.toJsonObject())
                                               : HttpClient::Reply());
        QTEST(notices().join('|'), "notice");
    }

    // "Open at login" writes the autostart entry (the program quoted as its Exec line wants) and
    // follows it, not a preference; a failure says why.
    void openAtLogin()
    {
        f->launch();
        const auto checked = [this] { return titles(f->fake.tray.menu, true).contains("Open at login"); };
        QFile inTheWay(f->fake.files.filePath(QStringLiteral("autostart")));
        QVERIFY(inTheWay.open(QIODevice::WriteOnly));
        f->app->toggleOpenAtLogin();
        QVERIFY(!f->fake.autostart.isEnabled() && !checked());
        QCOMPARE(notices(), QStringList{"Pellow: Couldn't change whether Pellow opens at login: cannot make "
                                        "the folder " +
                                        inTheWay.fileName()});
        QVERIFY(inTheWay.remove());
        f->app->toggleOpenAtLogin();
        QVERIFY(f->fake.autostart.isEnabled() && checked());
        QFile entry(f->fake.files.filePath(QStringLiteral("autostart/app.pellow.Pellow.desktop")));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains("\nExec=\"/opt/my apps/\\\\$pellow\"\n"));
        f->app->toggleOpenAtLogin();
        QVERIFY(!entry.exists() && !checked());
    }
};

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
