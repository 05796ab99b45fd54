#include "ControllerFixture.h"

#include "core/StatusTitle.h"
#include "core/TickRules.h"

#include <QTest>

// The one-second tick on the fake clock: alerts, chirps, the icon flash and the clock beside the icon.
class TestTick : public QObject
{
    Q_OBJECT

    std::unique_ptr<ControllerFixture> f;

private slots:
    void init() { f = std::make_unique<ControllerFixture>(); }

    // With the halfway sound off, the mark is still recorded.
    void tenMinuteCountdownAlertsInOrder_data()
    {
        QTest::addColumn<QString>("halfway"); // null: the default, never stored
        QTest::newRow("default halfway sound") << QString();
        QTest::newRow("halfway sound off") << "off";
    }
    void tenMinuteCountdownAlertsInOrder()
    {
        QFETCH(QString, halfway);
        const auto& posted = f->fake.notifier.posted;
        PellowTimer tea = countdown("A", 600, f->fake.clock.current);
        tea.label = QStringLiteral("Tea");
        f->launch({tea}, halfway.isNull() ? QJsonObject() : QJsonObject{{"soundHalfway", halfway}});
        f->fake.scheduler.advance(300); // halfway reached on this tick
        QCOMPARE(f->app->timers[0].warned, (QList<double>{-1}));
        QVERIFY(posted.isEmpty());
        QCOMPARE(f->fake.sounds.played, halfway.isNull() ? QStringList{"tap"} : QStringList{});

        f->fake.scheduler.advance(1); // the 5-minute mark follows on the next tick; 10 is never given
        QCOMPARE(f->app->timers[0].warned, (QList<double>{-1, 300}));
        QCOMPARE(posted.size(), 1);
        QCOMPARE(posted[0].first, QStringLiteral("5 minutes left"));
        QVERIFY(posted[0].second.startsWith(QStringLiteral("Tea \u2014 ends ")));

        f->fake.scheduler.advance(300);
        const PellowTimer& t = f->app->timers[0];
        QVERIFY(!t.running && t.banked == 600.0);
        QCOMPARE(posted.last(), qMakePair(QStringLiteral("Tea finished"), QStringLiteral("10:00 is up.")));
        QCOMPARE(f->storedTimers()[0], t);
    }

    // A mark is due the moment its time is left, not a tick later.
    void warnMarkDueOnItsSecond()
    {
        PellowTimer tea = countdown("A", 1200, 0);
        tea.warned = {-1};
        QCOMPARE(TickRules::dueWarnMark(tea, {10, 5}, 599.5), std::nullopt);
        QCOMPARE(TickRules::dueWarnMark(tea, {10, 5}, 600), 600.0);
    }

    // A running stopwatch beside it never alerts (the notices' texts are the ten-minute run's).
    void wokenWithThreeMinutesLeftGivesOneAlertPerTick()
    {
        const auto& posted = f->fake.notifier.posted;
        f->launch(
            {countdown("A", 1800, f->fake.clock.current - 1620), countUp("U", f->fake.clock.current - 7200)});
        f->fake.scheduler.advance(0); // the first tick comes on the clock's second boundary: now
        QCOMPARE(f->app->timers[0].warned, (QList<double>{-1}));
        f->fake.scheduler.advance(2);
        QCOMPARE(f->app->timers[0].warned, (QList<double>{-1, 600, 300}));
        QCOMPARE(posted.size(), 2);
        f->fake.scheduler.advance(3);
        QCOMPARE(f->fake.sounds.played.count(QStringLiteral("chirp")), 10 + 5);
    }

    // Overlapping icon flashes put the normal icon back (one alerted elsewhere is tst_launch's).
    void countdownsFinishInOneTick()
    {
        const double now = f->fake.clock.current;
        f->launch({countdown("A", 60, now - 59.5), countdown("B", 30, now - 29.2)});
        f->fake.scheduler.advance(1);
        QVERIFY(!f->app->timers[0].running && !f->app->timers[1].running);
        QCOMPARE(f->fake.notifier.posted.size(), 2);
        QCOMPARE(f->fake.sounds.played.count(QStringLiteral("chime")), 2);
        QCOMPARE(f->fake.notifier.posted[1].first, QStringLiteral("Timer 2 finished"));
        QCOMPARE(f->fake.tray.icon(), TrayItem::Icon::Checkmark);
        f->fake.scheduler.advance(0.5);
        f->app->flashStatusIcon();
        f->fake.scheduler.advance(0.5);
        QCOMPARE(f->fake.tray.icon(), TrayItem::Icon::Checkmark);
        f->fake.scheduler.advance(0.4);
        QCOMPARE(f->fake.tray.icon(), TrayItem::Icon::Timer);
    }

    // A (the clock, 100 s, 0.3 s in) and B (200 s, 0.25 s in): each change comes on its instant.
    void changesComeOnTheirInstant_data()
    {
        QTest::addColumn<double>("due"); // seconds after launch
        QTest::addColumn<QString>("what");
        QTest::newRow("clock's next second") << 0.7 << "01:39";
        QTest::newRow("halfway of the other") << 99.75 << "B halfway";
        QTest::newRow("finish of the other") << 199.75 << "B finished";
    }
    void changesComeOnTheirInstant()
    {
        QFETCH(double, due);
        QFETCH(QString, what);
        const double now = f->fake.clock.current;
        f->launch({countdown("A", 100, now - 0.3), countdown("B", 200, now - 0.25)});
        const TimerList& t = f->app->timers;
        const auto happened = [&] {
            return what == "B halfway"    ? t[1].warned.contains(kHalfwayMark)
                   : what == "B finished" ? !t[1].running
                                          : f->fake.tray.currentTitle == ' ' + what;
        };
        f->fake.scheduler.advance(due - 0.02);
        QVERIFY(!happened());
        f->fake.scheduler.advance(0.02);
        QVERIFY(happened());
    }

    // The finish notification's buttons and click, and the ringing they stop; unanswered, it ends
    // after two minutes, and without "Keep ringing until dismissed" the sound plays once.
    void finishNotificationAnswers_data()
    {
        QTest::addColumn<QString>("key"); // null: never answered
        QTest::addColumn<bool>("repeat");
        QTest::addColumn<double>("left"); // after the answer; -1: stays finished
        QTest::addColumn<bool>("hud");
        QTest::addColumn<int>("chimes");
        QTest::newRow("Start again") << "again" << true << 60.0 << false << 3;
        QTest::newRow("+1 minute") << "plus1" << true << 60.0 << false << 3;
        QTest::newRow("click shows the HUD") << "default" << true << -1.0 << true << 3;
        QTest::newRow("dismissed") << "" << true << -1.0 << false << 3;
        QTest::newRow("unanswered") << QString() << true << -1.0 << false << 1 + 30;
        QTest::newRow("not kept ringing") << QString() << false << -1.0 << false << 1;
    }
    void finishNotificationAnswers()
    {
        QFETCH(QString, key);
        QFETCH(bool, repeat);
        QFETCH(double, left);
        f->launch({countdown("A", 60, f->fake.clock.current - 59)}, {{"soundFinishRepeat", repeat}});
        f->fake.scheduler.advance(9); // finished at 1, rung again at 5 and 9
        QCOMPARE(f->fake.notifier.urgentKeys, (QStringList{"default", "again", "plus1"}));
        QCOMPARE(f->fake.sounds.played.count("chime"), repeat ? 3 : 1);
        if (!key.isNull())
            f->fake.notifier.answer(key);
        const PellowTimer& t = f->app->timers[0];
        QCOMPARE(t.running ? TimeTexts::remainingSeconds(t, f->fake.clock.current) : -1.0, left);
        QTEST(f->fake.preferences.boolValue("timerHUDVisible"), "hud");
        f->fake.scheduler.advance(key.isNull() ? 600 : 30); // a restarted one has not run out again
        QTEST(int(f->fake.sounds.played.count("chime")), "chimes");
    }

    void chirps_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("soundWarn");
        QTest::addColumn<QStringList>("played");
        const QString chirp = QStringLiteral("chirp");
        QTest::newRow("ten") << 10 << "ping" << QStringList(10, chirp);
        QTest::newRow("fifteen falls back") << 15 << "ping" << QStringList{"ping"};
        QTest::newRow("zero falls back") << 0 << "tick" << QStringList{"tick"};
    }
    void chirps()
    {
        QFETCH(int, count);
        QFETCH(QString, soundWarn);
        QFETCH(QStringList, played);
        f->launch({}, {{QStringLiteral("soundWarn"), soundWarn}});
        f->app->playChirps(count);
        if (count >= 2 && count <= 10) { // 0.21 s apart: the last one is still to come just before its time
            f->fake.scheduler.advance(0.21 * (count - 1) - 0.01);
            QCOMPARE(f->fake.sounds.played.size(), count - 1);
        }
        f->fake.scheduler.advance(3);
        QCOMPARE(f->fake.sounds.played, played);
    }

    // The tick runs only while something shows a clock, and keeps its phase while it does.
    void tickLivesOnlyWhileNeeded()
    {
        f->launch({}, {{QStringLiteral("timerHUDVisible"), true}});
        QVERIFY(!f->app->timerTick); // visible HUD but nothing to show
        f->app->timers.append(countdown("A", 60, f->fake.clock.current));
        f->app->refresh(true);
        QVERIFY(f->app->timerTick);
        const auto tick = *f->app->timerTick;
        f->app->refresh(false);
        QCOMPARE(*f->app->timerTick, tick); // kept, so its phase is not reset
        // The clock beside the icon goes and comes back at once, without waiting for a tick.
        f->app->toggleTimerInMenuBar();
        QVERIFY(f->fake.tray.currentTitle.isEmpty() && !f->fake.tray.titleShown);
        f->app->toggleTimerInMenuBar();
        QVERIFY(f->fake.tray.currentTitle == QStringLiteral(" 01:00") && f->fake.tray.titleShown);
        f->fake.preferences.setBool(QStringLiteral("timerHUDVisible"), false);
        f->fake.scheduler.advance(61); // finishes, and nothing is left to tick for
        QVERIFY(!f->app->timerTick);
        QCOMPARE(f->fake.scheduler.repeatingCount(), 0);
    }

    void title_data()
    {
        QTest::addColumn<TimerList>("timers");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("clock"); // the timer it shows, as the tooltip names it
        const double now = 1'800'000'000.0;
        QTest::newRow("least time left beats a running stopwatch")
            << TimerList{countUp("S", now - 30), countdown("A", 600, now - 360),
                         countdown("B", 600, now - 480)}
            << " 02:00" << 2;
        QTest::newRow("tie goes to the earlier")
            << TimerList{countdown("A", 100, now - 40), countdown("B", 100, now - 40)} << " 01:00" << 0;
        QTest::newRow("stopwatch in hours") << TimerList{countUp("S", now - 4500)} << " 1:15:00" << 0;
        QTest::newRow("used up but still running") << TimerList{countdown("A", 60, now - 90)} << " 0:00" << 0;
        QTest::newRow("paused countdown")
            << TimerList{countdown("A", 600, now - 999, false, 100)} << " 08:20" << 0;
        QTest::newRow("untouched timers show nothing") << TimerList{countdown("A", 600, 0, false)} << "" << 0;
    }
    void title()
    {
        QFETCH(TimerList, timers);
        QTEST(StatusTitle::title(timers, 1'800'000'000.0, true), "title");
        QTEST(int(StatusTitle::clockTimer(timers, 1'800'000'000.0).value_or(-1)), "clock");
    }
};

QTEST_MAIN(TestTick)
#include "tst_tick.moc"
