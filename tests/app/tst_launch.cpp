#include "ControllerFixture.h"

#include "app/SingleInstance.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Launching: catching up on time closed, unreadable lists, defaults, no tray, the one-instance lock.
class TestLaunch : public QObject
{
    Q_OBJECT

private slots:
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
        ControllerFixture f;
        PellowTimer tea = countdown("T", 300, f.fake.clock.current - 900);
        tea.alerted = alerted;
        f.fake.preferences.setValue(QStringLiteral("timers"), *TimerJson::encode({tea}));
        f.app = std::make_unique<AppDelegate>(f.fake.platform());
        f.app->applicationDidFinishLaunching();

        const PellowTimer stored = f.storedTimers().value(0);
        QVERIFY(!stored.running && stored.alerted && stored.banked == 300.0);
        // The notice's text is run_e2e.sh's; the first menu is built after the catch-up.
        QCOMPARE(f.fake.notifier.posted.size(), notices);
        QCOMPARE(f.fake.sounds.played.size(), notices);
        QCOMPARE(f.fake.tray.icon(), notices ? TrayItem::Icon::Checkmark : TrayItem::Icon::Timer);
        QVERIFY(f.fake.tray.menu.items.value(0).title.endsWith(QStringLiteral("finished")));
        QVERIFY(!f.app->timerTick);
    }

    void undecodableListIsKeptAside()
    {
        const QJsonValue stored(QJsonArray{QJsonObject{{"id", "x"}}}); // a record without its keys
        ControllerFixture f;
        f.launch({}, {{QStringLiteral("timers"), stored}});
        QVERIFY(f.app->timers.isEmpty());
        // A later save replaces "timers" but the unreadable value survives under its own key.
        f.app->startAllTimers();
        QCOMPARE(f.fake.preferences.value(QStringLiteral("timers")), QJsonValue(QJsonArray{}));
        const QStringList keys = f.fake.preferences.storedValues().keys();
        const auto aside = std::find_if(keys.begin(), keys.end(),
                                        [](const QString& k) { return k.startsWith("timers.unreadable-"); });
        QVERIFY(aside != keys.end());
        QCOMPARE(f.fake.preferences.value(*aside), stored);
    }

    // Defaults are read, never stored (a later version's reach whoever never chose); sounds are readied.
    void defaultsAreNotWritten()
    {
        ControllerFixture f;
        f.launch();
        QVERIFY(f.fake.preferences.boolValue(QStringLiteral("timerInMenuBar")));
        QCOMPARE(f.fake.preferences.storedValues().keys(), QStringList{"timers"}); // the list alone
        QCOMPARE(f.fake.sounds.preloaded, (QStringList{"chime", "tap", "ping", "chirp"}));
    }

    // A dead process's lock does not block the next start, whose lock then holds (handover: run_e2e.sh).
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

    // A desktop that shows no tray gets, after a grace for the panel to come up, one notice and the HUD.
    void noTrayOffersTheHUD()
    {
        ControllerFixture f;
        f.fake.tray.button = false;
        f.launch();
        f.fake.scheduler.advance(2.5);
        QVERIFY(f.fake.notifier.posted.isEmpty());
        f.fake.scheduler.advance(10);
        QCOMPARE(f.fake.notifier.posted.size(), 1);
        QVERIFY(f.fake.notifier.posted[0].second.startsWith(
            QStringLiteral("Pellow is running, but this desktop")));
        QVERIFY(f.fake.preferences.boolValue(QStringLiteral("timerHUDVisible")));
    }
};

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
