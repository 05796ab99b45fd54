#include "ControllerFixture.h"
#include "core/HUDMenuModel.h"

#include <QTest>

#include <functional>

// The user's commands on timers through the controller: each changes the list, saves and
// rebuilds the menu; a sender naming no timer changes nothing at all.
class TestTimerActions : public QObject
{
    Q_OBJECT

    enum Command
    {
        ToggleRun,
        StartOver,
        Reset,
        ToggleMode,
        SetLength,
        Remove
    };

    static void run(AppDelegate& app, Command command, const QString& id)
    {
        const std::function<void(AppDelegate&, const MenuItem&)> actions[] = {
            &AppDelegate::timerToggleRun,  &AppDelegate::timerStartOver, &AppDelegate::timerReset,
            &AppDelegate::timerToggleMode, &AppDelegate::timerSetLength, &AppDelegate::timerRemove};
        const QVariant represented =
            command == SetLength ? QVariant(QVariantMap{{"id", id}, {"secs", 900.0}}) : QVariant(id);
        actions[command](app, ControllerFixture::sender(represented));
    }

private slots:
    void stateTable_data()
    {
        QTest::addColumn<PellowTimer>("before");
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("running");
        QTest::addColumn<double>("banked");
        QTest::addColumn<QList<double>>("warned");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<double>("duration");
        const double t0 = 1'800'000'000.0;
        PellowTimer finished = countdown("A", 300, t0 - 1000, false, 300);
        finished.alerted = true;
        finished.warned = {-1};
        PellowTimer paused = countdown("A", 1200, t0 - 1000, false, 500);
        paused.warned = {-1, 600};
        const PellowTimer running = countdown("A", 1200, t0 - 100);
        QTest::newRow("finished restarts from zero")
            << finished << int(ToggleRun) << true << 0.0 << QList<double>{} << "down" << 300.0;
        QTest::newRow("paused resumes keeping marks")
            << paused << int(ToggleRun) << true << 500.0 << QList<double>{-1, 600} << "down" << 1200.0;
        QTest::newRow("running pauses")
            << running << int(ToggleRun) << false << 100.0 << QList<double>{} << "down" << 1200.0;
        QTest::newRow("start over") << paused << int(StartOver) << true << 0.0 << QList<double>{} << "down"
                                    << 1200.0;
        QTest::newRow("reset") << running << int(Reset) << false << 0.0 << QList<double>{} << "down"
                               << 1200.0;
        QTest::newRow("running countdown to stopwatch")
            << running << int(ToggleMode) << false << 0.0 << QList<double>{} << "up" << 1200.0;
        QTest::newRow("set length") << paused << int(SetLength) << true << 0.0 << QList<double>{} << "down"
                                    << 900.0;
    }
    void stateTable()
    {
        QFETCH(PellowTimer, before);
        QFETCH(int, command);
        ControllerFixture f;
        f.launch({before});
        const int menus = f.fake.tray.menuSets;
        run(*f.app, Command(command), QStringLiteral("A"));
        const PellowTimer& after = f.app->timers[0];
        QTEST(after.running, "running");
        QTEST(after.banked, "banked");
        QTEST(after.warned, "warned");
        QTEST(after.mode, "mode");
        QTEST(after.duration, "duration");
        QCOMPARE(after.alerted, false);
        QCOMPARE(f.storedTimers()[0], after);
        QCOMPARE(f.fake.tray.menuSets, menus + 1);
    }

    void unknownSenderChangesNothing_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("id");
        for (int c = ToggleRun; c <= Remove; ++c) {
            QTest::addRow("command %d, unknown id", c) << c << QStringLiteral("nope");
            QTest::addRow("command %d, no id", c) << c << QString();
        }
    }
    void unknownSenderChangesNothing()
    {
        QFETCH(int, command);
        QFETCH(QString, id);
        ControllerFixture f;
        f.launch({countdown(QStringLiteral("A"), 300, f.fake.clock.current)});
        const int writes = f.fake.preferences.writes;
        const int menus = f.fake.tray.menuSets;
        const TimerList before = f.app->timers;
        run(*f.app, Command(command), id);
        QCOMPARE(f.app->timers, before);
        QCOMPARE(f.fake.preferences.writes, writes);
        QCOMPARE(f.fake.tray.menuSets, menus);
    }

    void setLengthNeedsIdAndSeconds_data()
    {
        QTest::addColumn<QVariant>("represented");
        QTest::newRow("plain id") << QVariant(QStringLiteral("A"));
        QTest::newRow("secs as text") << QVariant(QVariantMap{{"id", "A"}, {"secs", "900"}});
        QTest::newRow("no secs") << QVariant(QVariantMap{{"id", "A"}});
        QTest::newRow("id as number") << QVariant(QVariantMap{{"id", 1}, {"secs", 900.0}});
    }
    void setLengthNeedsIdAndSeconds()
    {
        QFETCH(QVariant, represented);
        ControllerFixture f;
        f.launch({countdown(QStringLiteral("A"), 300, f.fake.clock.current)});
        f.app->timerSetLength(ControllerFixture::sender(represented));
        QCOMPARE(f.app->timers[0].duration, 300.0);
    }

    void startAllSkipsFinishedCountdowns()
    {
        ControllerFixture f;
        const double now = f.fake.clock.current;
        f.launch({countdown("F", 300, now - 1000, false, 300), countUp("U", now - 50, false, 20),
                  countdown("R", 300, 0, false)});
        f.app->startAllTimers();
        QCOMPARE(f.app->timers[0].running, false);
        QCOMPARE(f.app->timers[1].running, true);
        QCOMPARE(f.app->timers[2].running, true);
        f.app->pauseAllTimers();
        QVERIFY(std::none_of(f.app->timers.begin(), f.app->timers.end(), [](auto& t) { return t.running; }));
    }

    void removeRenumbersUnnamedTimers()
    {
        ControllerFixture f;
        f.launch({countdown("1", 60, 0, false), countdown("2", 60, 0, false), countdown("3", 60, 0, false)});
        f.app->timerRemove(ControllerFixture::sender(QStringLiteral("2")));
        QCOMPARE(TimeTexts::displayName(f.app->timers[1], f.app->timers), QStringLiteral("Timer 2"));
    }

    void toggleWarnMark()
    {
        ControllerFixture f;
        const double now = f.fake.clock.current;
        PellowTimer late = countdown("A", 1200, now - 1020); // three minutes left
        late.warned = {-1};
        PellowTimer early = countdown("B", 1200, now);
        f.launch({late, early});

        f.app->toggleWarnMark(ControllerFixture::sender(2.0)); // on: A is not there yet
        QCOMPARE(f.fake.preferences.value("timerWarnMinutes"), QJsonValue(QJsonArray{10.0, 5.0, 2.0}));
        f.app->toggleWarnMark(ControllerFixture::sender(5.0)); // off
        f.app->toggleWarnMark(ControllerFixture::sender(5.0)); // on again
        QCOMPARE(f.app->timers[0].warned, (QList<double>{-1, 300}));
        QCOMPARE(f.app->timers[1].warned, QList<double>{});
        QCOMPARE(f.fake.preferences.value("timerWarnMinutes"), QJsonValue(QJsonArray{10.0, 5.0, 2.0}));

        for (double m : {10.0, 5.0, 2.0})
            f.app->toggleWarnMark(ControllerFixture::sender(m));
        QCOMPARE(f.fake.preferences.value("timerWarnMinutes"), QJsonValue(QJsonArray{}));
        QVERIFY(f.app->warnMarks().isEmpty());
        f.app->toggleWarnMark(ControllerFixture::sender(QStringLiteral("5"))); // not a number: ignored
        QVERIFY(f.app->warnMarks().isEmpty());
    }

    // Every item of every menu names an action the controller runs: a misspelt name fails here.
    void everyMenuActionIsHandled_data()
    {
        QTest::addColumn<int>("timerCount");
        QTest::addColumn<bool>("paired");
        for (int count : {0, 1, 2})
            for (bool paired : {false, true})
                QTest::addRow("%d timers%s", count, paired ? ", paired" : "") << count << paired;
    }
    void everyMenuActionIsHandled()
    {
        QFETCH(int, timerCount);
        QFETCH(bool, paired);
        ControllerFixture f;
        TimerList stored;
        for (int i = 0; i < timerCount; ++i)
            stored.append(countdown(QString::number(i), 600, f.fake.clock.current, i == 0));
        f.launch(stored, paired ? QJsonObject{{"syncToken", "t"}} : QJsonObject{});
        QStringList unknown;
        int seen = 0;
        const std::function<void(const Menu&)> walk = [&](const Menu& menu) {
            for (const MenuItem& item : menu.items) {
                if (!item.action.isEmpty() && ++seen && !AppDelegate::handlesMenuAction(item.action))
                    unknown.append(item.title + QStringLiteral(": ") + item.action);
                if (item.submenu)
                    walk(*item.submenu);
            }
        };
        walk(f.app->buildStatusMenu(false));
        walk(f.app->buildStatusMenu(true));
        HUDMenuState hud = f.app->hudMenuState();
        hud.screens = {{1, {}, {}, "Left", true}, {2, {}, {}, "Right", false}}; // with its "Show on"
        walk(HUDMenuModel::hudContextMenu(hud, std::nullopt));
        if (timerCount)
            walk(HUDMenuModel::hudContextMenu(hud, QStringLiteral("0")));
        QVERIFY(seen > 40);
        QCOMPARE(unknown, QStringList());
    }
};

QTEST_MAIN(TestTimerActions)
#include "tst_timeractions.moc"
