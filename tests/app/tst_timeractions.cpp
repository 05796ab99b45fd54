#include "ControllerFixture.h"
#include "core/HUDMenuModel.h"

#include <QTest>

#include <functional>

// Menu commands through the controller: each one changes, saves and rebuilds; unknown senders do nothing.
class TestTimerActions : public QObject
{
    Q_OBJECT

    // What a menu item of the action carries for the timer `id`.
    static QVariant sent(const QString& action, const QVariant& id)
    {
        if (action == QLatin1String("timerSetLength:"))
            return QVariantMap{{"id", id}, {"secs", 900.0}};
        if (action == QLatin1String("setTimerColor:"))
            return QVariantMap{{"id", id}, {"color", "red"}};
        return id;
    }
    // Chosen from a menu: dispatched by its action, as the tray and the HUD do.
    static void run(AppDelegate& app, const QString& action, const QVariant& represented)
    {
        QVERIFY(app.performMenuAction(MenuItem::make(QStringLiteral("item"), action, represented)));
    }

    std::unique_ptr<ControllerFixture> f;

private slots:
    void init() { f = std::make_unique<ControllerFixture>(); }

    void stateTable_data()
    {
        QTest::addColumn<PellowTimer>("before");
        QTest::addColumn<QString>("action");
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
        const auto row = [](const char* name, const PellowTimer& before, const char* action, bool on,
                            double banked, const QList<double>& warned, const char* mode, double duration) {
            QTest::newRow(name) << before << QString(action) << on << banked << warned << QString(mode)
                                << duration;
        };
        row("finished restarts from zero", finished, "timerToggleRun:", true, 0, {}, "down", 300);
        row("paused resumes keeping marks", paused, "timerToggleRun:", true, 500, {-1, 600}, "down", 1200);
        row("running pauses", running, "timerToggleRun:", false, 100, {}, "down", 1200);
        row("start over", paused, "timerStartOver:", true, 0, {}, "down", 1200);
        row("reset", running, "timerReset:", false, 0, {}, "down", 1200);
        row("running countdown to stopwatch", running, "timerToggleMode:", false, 0, {}, "up", 1200);
        row("set length", paused, "timerSetLength:", true, 0, {}, "down", 900);
    }
    void stateTable()
    {
        QFETCH(PellowTimer, before);
        QFETCH(QString, action);
        f->launch({before});
        const int menus = f->fake.tray.menuSets;
        run(*f->app, action, sent(action, "A"));
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
        QTest::addColumn<QString>("action");
        QTest::addColumn<QVariant>("represented");
        for (const char* action :
             {"timerToggleRun:", "timerStartOver:", "timerReset:", "timerToggleMode:", "timerSetLength:",
              "timerRemove:", "timerRename:", "timerCustomLength:", "setTimerColor:"}) {
            QTest::addRow("%s unknown id", action) << QString(action) << sent(action, "nope");
            QTest::addRow("%s no id", action) << QString(action) << sent(action, {});
        }
        const QString length = QStringLiteral("timerSetLength:"), sound = QStringLiteral("setSound:");
        QTest::newRow("length, secs as text")
            << length << QVariant(QVariantMap{{"id", "A"}, {"secs", "900"}});
        QTest::newRow("length, id as number") << length << QVariant(QVariantMap{{"id", 1}, {"secs", 900.0}});
        QTest::newRow("sound, no dictionary") << sound << QVariant("gong");
        QTest::newRow("sound, value not a text")
            << sound << QVariant(QVariantMap{{"key", "soundFinish"}, {"value", 3}});
        QTest::newRow("sound, a key that is no sound role")
            << sound << QVariant(QVariantMap{{"key", "syncToken"}, {"value", "gong"}});
    }
    void unknownSenderChangesNothing()
    {
        QFETCH(QString, action);
        QFETCH(QVariant, represented);
        f->launch({countdown(QStringLiteral("A"), 300, f->fake.clock.current)});
        const int writes = f->fake.preferences.writes;
        const int menus = f->fake.tray.menuSets;
        const TimerList before = f->app->timers;
        run(*f->app, action, represented);
        QCOMPARE(f->app->timers, before);
        QCOMPARE(f->fake.preferences.writes, writes);
        QCOMPARE(f->fake.tray.menuSets, menus);
        QVERIFY(!f->app->hudPromptWindow);
        QVERIFY(f->fake.sounds.played.isEmpty());
    }

    // A sound picked for a role is stored and played; an unknown name (as "off") is stored, silently.
    void setSound()
    {
        f->launch();
        for (const char* picked : {"gong", "../../x"}) {
            const int menus = f->fake.tray.menuSets;
            run(*f->app, QStringLiteral("setSound:"), QVariantMap{{"key", "soundFinish"}, {"value", picked}});
            QCOMPARE(f->fake.preferences.stringValue("soundFinish"), picked);
            QCOMPARE(f->fake.tray.menuSets, menus + 1);
        }
        QCOMPARE(f->fake.sounds.played, QStringList{"gong"});
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
