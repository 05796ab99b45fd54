#include "ControllerFixture.h"
#include "core/HUDMenuModel.h"

#include <QTest>

#include <functional>

// Menu commands through the controller: each one changes, saves and rebuilds; unknown senders do nothing.
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
        Remove,
        Rename,
        CustomLength,
        SetColor,
        SetSound
    };

    // What a menu item of the command carries for the timer `id`.
    static QVariant sent(int command, const QString& id)
    {
        if (command == SetLength)
            return QVariantMap{{"id", id}, {"secs", 900.0}};
        if (command == SetColor)
            return QVariantMap{{"id", id}, {"color", "red"}};
        return id;
    }
    static void run(AppDelegate& app, int command, const QVariant& represented)
    {
        const std::function<void(AppDelegate&, const MenuItem&)> actions[] = {
            &AppDelegate::timerToggleRun,  &AppDelegate::timerStartOver,    &AppDelegate::timerReset,
            &AppDelegate::timerToggleMode, &AppDelegate::timerSetLength,    &AppDelegate::timerRemove,
            &AppDelegate::timerRename,     &AppDelegate::timerCustomLength, &AppDelegate::setTimerColor,
            &AppDelegate::setSound};
        actions[command](app, ControllerFixture::sender(represented));
    }

    std::unique_ptr<ControllerFixture> f;

private slots:
    void init() { f = std::make_unique<ControllerFixture>(); }

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
        const auto row = [](const char* name, const PellowTimer& before, Command c, bool on, double banked,
                            const QList<double>& warned, const char* mode, double duration) {
            QTest::newRow(name) << before << int(c) << on << banked << warned << QString(mode) << duration;
        };
        row("finished restarts from zero", finished, ToggleRun, true, 0, {}, "down", 300);
        row("paused resumes keeping marks", paused, ToggleRun, true, 500, {-1, 600}, "down", 1200);
        row("running pauses", running, ToggleRun, false, 100, {}, "down", 1200);
        row("start over", paused, StartOver, true, 0, {}, "down", 1200);
        row("reset", running, Reset, false, 0, {}, "down", 1200);
        row("running countdown to stopwatch", running, ToggleMode, false, 0, {}, "up", 1200);
        row("set length", paused, SetLength, true, 0, {}, "down", 900);
    }
    void stateTable()
    {
        QFETCH(PellowTimer, before);
        QFETCH(int, command);
        f->launch({before});
        const int menus = f->fake.tray.menuSets;
        run(*f->app, command, sent(command, "A"));
        const PellowTimer& after = f->app->timers[0];
        QTEST(after.running, "running");
        QTEST(after.banked, "banked");
        QTEST(after.warned, "warned");
        QTEST(after.mode, "mode");
        QTEST(after.duration, "duration");
        QCOMPARE(after.alerted, false);
        QCOMPARE(f->storedTimers()[0], after);
        QCOMPARE(f->fake.tray.menuSets, menus + 1);
    }

    // An unknown or missing id (a menu older than the list), a bad length or sound item: nothing
    // changes, nothing plays.
    void unknownSenderChangesNothing_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QVariant>("represented");
        for (int c = ToggleRun; c <= SetColor; ++c) {
            QTest::addRow("command %d, unknown id", c) << c << sent(c, "nope");
            QTest::addRow("command %d, no id", c) << c << sent(c, {});
        }
        QTest::newRow("length, secs as text")
            << int(SetLength) << QVariant(QVariantMap{{"id", "A"}, {"secs", "900"}});
        QTest::newRow("length, id as number")
            << int(SetLength) << QVariant(QVariantMap{{"id", 1}, {"secs", 900.0}});
        QTest::newRow("sound, no dictionary") << int(SetSound) << QVariant("gong");
        QTest::newRow("sound, value not a text")
            << int(SetSound) << QVariant(QVariantMap{{"key", "soundFinish"}, {"value", 3}});
        QTest::newRow("sound, a key that is no sound role")
            << int(SetSound) << QVariant(QVariantMap{{"key", "syncToken"}, {"value", "gong"}});
    }
    void unknownSenderChangesNothing()
    {
        QFETCH(int, command);
        QFETCH(QVariant, represented);
        f->launch({countdown(QStringLiteral("A"), 300, f->fake.clock.current)});
        const int writes = f->fake.preferences.writes;
        const int menus = f->fake.tray.menuSets;
        const TimerList before = f->app->timers;
        run(*f->app, command, represented);
        QCOMPARE(f->app->timers, before);
        QCOMPARE(f->fake.preferences.writes, writes);
        QCOMPARE(f->fake.tray.menuSets, menus);
        QVERIFY(!f->app->hudPromptWindow);
        QVERIFY(f->fake.sounds.played.isEmpty());
    }

    // A sound picked for a role is stored and played; an unknown name (as "off") is stored, silently.
    void setSound_data()
    {
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QStringList>("played");
        QTest::newRow("a sound") << "gong" << QStringList{"gong"};
        QTest::newRow("an unknown name") << "../../x" << QStringList{};
    }
    void setSound()
    {
        QFETCH(QString, picked);
        f->launch();
        const int menus = f->fake.tray.menuSets;
        f->app->setSound(ControllerFixture::sender(QVariantMap{{"key", "soundFinish"}, {"value", picked}}));
        QCOMPARE(f->fake.preferences.stringValue("soundFinish"), picked);
        QTEST(f->fake.sounds.played, "played");
        QCOMPARE(f->fake.tray.menuSets, menus + 1);
    }

    void startAllSkipsFinishedCountdowns()
    {
        const double now = f->fake.clock.current;
        f->launch({countdown("F", 300, now - 1000, false, 300), countUp("U", now - 50, false, 20),
                   countdown("R", 300, 0, false)});
        f->app->startAllTimers();
        QVERIFY(!f->app->timers[0].running && f->app->timers[1].running && f->app->timers[2].running);
    }

    void toggleWarnMark()
    {
        const double now = f->fake.clock.current;
        PellowTimer late = countdown("A", 1200, now - 1020); // three minutes left
        late.warned = {-1};
        f->launch({late, countdown("B", 1200, now)});
        f->app->toggleWarnMark(ControllerFixture::sender(2.0)); // on: A is not there yet
        f->app->toggleWarnMark(ControllerFixture::sender(5.0)); // off
        f->app->toggleWarnMark(ControllerFixture::sender(5.0)); // on again: A is past it, so it is not given
        QCOMPARE(f->app->timers[0].warned, (QList<double>{-1, 300}));
        QCOMPARE(f->app->timers[1].warned, QList<double>{});
        QCOMPARE(f->fake.preferences.value("timerWarnMinutes"), QJsonValue(QJsonArray{10.0, 5.0, 2.0}));
        for (double m : {10.0, 5.0, 2.0})
            f->app->toggleWarnMark(ControllerFixture::sender(m));
        QCOMPARE(f->fake.preferences.value("timerWarnMinutes"), QJsonValue(QJsonArray{}));
        QVERIFY(f->app->warnMarks().isEmpty());
        f->app->toggleWarnMark(ControllerFixture::sender(QStringLiteral("5"))); // not a number: ignored
        QVERIFY(f->app->warnMarks().isEmpty());
    }

    // Every item of every menu, paired and not, names an action the controller runs.
    void everyMenuActionIsHandled()
    {
        f->launch({countdown("0", 600, f->fake.clock.current), countdown("1", 600, 0, false)},
                  {{"syncToken", "t"}});
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
        walk(f->app->buildStatusMenu(true));
        HUDMenuState hud = f->app->hudMenuState();
        hud.screens = {{1, {}, {}, "Left", true}, {2, {}, {}, "Right", false}}; // with its "Show on"
        walk(HUDMenuModel::hudContextMenu(hud, std::nullopt));
        walk(HUDMenuModel::hudContextMenu(hud, QStringLiteral("0")));
        f->app->unpairPhone();
        walk(f->app->buildStatusMenu(false));
        QVERIFY(seen > 40);
        QCOMPARE(unknown, QStringList());
    }
};

QTEST_MAIN(TestTimerActions)
#include "tst_timeractions.moc"
