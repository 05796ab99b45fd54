#include "ControllerFixture.h"

#include "core/StatusTitle.h"

#include <QTest>

// The clock beside the tray icon: which timer it shows, its text, and when the item is touched.
class TestStatusTitle : public QObject
{
    Q_OBJECT

private slots:
    void title_data()
    {
        QTest::addColumn<TimerList>("timers");
        QTest::addColumn<QString>("title");
        const double now = 1'800'000'000.0;
        QTest::newRow("least time left beats a running stopwatch")
            << TimerList{countUp("S", now - 30), countdown("A", 600, now - 360),
                         countdown("B", 600, now - 480)}
            << " 02:00";
        QTest::newRow("tie goes to the earlier")
            << TimerList{countdown("A", 100, now - 40), countdown("B", 100, now - 40)} << " 01:00";
        QTest::newRow("stopwatch in hours") << TimerList{countUp("S", now - 4500)} << " 1:15:00";
        QTest::newRow("used up but still running") << TimerList{countdown("A", 60, now - 90)} << " 0:00";
        QTest::newRow("paused countdown")
            << TimerList{countdown("A", 600, now - 999, false, 100)} << " 08:20";
        QTest::newRow("untouched timers show nothing") << TimerList{countdown("A", 600, 0, false)} << "";
        QTest::newRow("no timers") << TimerList{} << "";
    }
    void title()
    {
        QFETCH(TimerList, timers);
        QTEST(StatusTitle::title(timers, 1'800'000'000.0, true), "title");
        QCOMPARE(StatusTitle::title(timers, 1'800'000'000.0, false), QString());
    }

    void toggleClockInMenuBar()
    {
        ControllerFixture f;
        f.launch({countdown("A", 600, f.fake.clock.current)});
        QCOMPARE(f.fake.tray.currentTitle, QStringLiteral(" 10:00"));
        f.app->toggleTimerInMenuBar();
        QCOMPARE(f.fake.tray.currentTitle, QString());
        QCOMPARE(f.fake.tray.titleShown, false);
        f.app->toggleTimerInMenuBar(); // back at once, without waiting for a tick
        QCOMPARE(f.fake.tray.currentTitle, QStringLiteral(" 10:00"));
        QCOMPARE(f.fake.tray.titleShown, true);
    }
};

QTEST_MAIN(TestStatusTitle)
#include "tst_statustitle.moc"
