#include "ControllerFixture.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

// Counting down to a picked moment: from the new-timer window and for an existing timer.
class TestEndAt : public QObject
{
    Q_OBJECT

    // A whole minute, the moment every test picks unless it says otherwise.
    const double picked = 1'800'000'000.0 + 3600;
    const QString hud = QStringLiteral("timerHUDVisible");

    static QWidget* part(const ControllerFixture& f, const QString& name)
    {
        return f.app->newTimerWindow ? f.app->newTimerWindow->findChild<QWidget*>(name) : nullptr;
    }
    static QDateTimeEdit* picker(const ControllerFixture& f)
    {
        return qobject_cast<QDateTimeEdit*>(part(f, "endPicker"));
    }
    static void pick(const ControllerFixture& f, double moment)
    {
        picker(f)->setDateTime(QDateTime::fromSecsSinceEpoch(qint64(moment)));
    }

private slots:
    void fromTheNewTimerWindow_data()
    {
        QTest::addColumn<double>("ahead");
        QTest::addColumn<double>("duration"); // -1: refused; the rounding edges are tst_newtimerrules'
        QTest::newRow("22 min 30 s") << 1350.0 << 1350.0;
        QTest::newRow("1.5 s rounds up") << 1.5 << 2.0;
        QTest::newRow("tomorrow") << 86400.0 + 7200 << 86400.0 + 7200;
        QTest::newRow("this minute, after its start") << -30.0 << -1.0;
    }
    void fromTheNewTimerWindow()
    {
        QFETCH(double, ahead);
        QFETCH(double, duration);
        ControllerFixture f;
        f.fake.clock.current = picked - ahead;
        f.launch({}, {{hud, false}});
        f.app->newTimer();
        QCOMPARE(picker(f)->dateTime().toSecsSinceEpoch(), qint64(f.app->defaultEndAtDate()));
        QCOMPARE(picker(f)->displayedSections() &
                     (QDateTimeEdit::SecondSection | QDateTimeEdit::MinuteSection),
                 QDateTimeEdit::MinuteSection);
        pick(f, picked);
        QTest::mouseClick(part(f, "endAtButton"), Qt::LeftButton);
        if (duration < 0) {
            QCOMPARE(f.fake.notifier.posted.value(0).second, QString("That time has already gone by"));
            QVERIFY(f.app->timers.isEmpty() && f.app->newTimerWindow);
            return;
        }
        QCOMPARE(f.app->timers.value(0).duration, duration);
        QVERIFY(f.app->timers.first().running && !f.app->newTimerWindow && f.fake.preferences.boolValue(hud));
    }

    void forATimer_data()
    {
        QTest::addColumn<PellowTimer>("before");
        QTest::addColumn<bool>("byReturn");
        const PellowTimer lap{"L", "Lap", "up", 300, 0, picked - 5000, true, false, {}, QString("teal")};
        const PellowTimer paused{"L",           "Lap", "down", 300,  200,
                                 picked - 5000, false, true,   {-1}, std::nullopt};
        QTest::newRow("stopwatch, Start") << lap << false;
        QTest::newRow("paused countdown, Return") << paused << true;
    }
    void forATimer()
    {
        QFETCH(PellowTimer, before);
        QFETCH(bool, byReturn);
        ControllerFixture f;
        f.fake.clock.current = picked - 1350;
        f.launch({countdown("A", 60, 0, false), before}, {{hud, false}});
        f.app->timerEndAt(ControllerFixture::sender("L"));
        QCOMPARE(qobject_cast<QLabel*>(part(f, "endAtHeader"))->text(), QString("Finish Lap at\u2026"));
        QCOMPARE(picker(f)->width(), 300);
        QCOMPARE(f.app->newTimerWindow->focusWidget(), picker(f));
        pick(f, picked);
        if (byReturn)
            QTest::keyClick(picker(f), Qt::Key_Return);
        else
            QTest::mouseClick(part(f, "endAtStart"), Qt::LeftButton);
        const PellowTimer after{"L", "Lap", "down", 1350, 0, picked - 1350, true, false, {}, before.color};
        QCOMPARE(f.app->timers.value(1), after);
        QCOMPARE(f.storedTimers(), f.app->timers);
        QVERIFY(!f.app->newTimerWindow && !f.app->endAtTargetID && !f.fake.preferences.boolValue(hud));
    }

    void leftOpenOrUnchanged_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("targetKept");
        QTest::newRow("a past moment") << "past" << true << true;
        QTest::newRow("timer removed meanwhile") << "remove" << false << false;
        QTest::newRow("Cancel") << "endAtCancel" << false << true;
        QTest::newRow("Escape") << "escape" << false << true;
    }
    void leftOpenOrUnchanged()
    {
        QFETCH(QString, step);
        ControllerFixture f;
        f.fake.clock.current = picked;
        f.launch({countUp("L", picked - 50)});
        f.app->timerEndAt(ControllerFixture::sender("L"));
        pick(f, step == "past" ? picked - 60 : picked + 600);
        if (step == "remove")
            f.app->timerRemove(ControllerFixture::sender("L"));
        const TimerList before = f.app->timers;
        if (step == "escape")
            QTest::keyClick(picker(f), Qt::Key_Escape);
        else if (step == "endAtCancel")
            QTest::mouseClick(part(f, step), Qt::LeftButton);
        else
            f.app->confirmEndAt();
        QCOMPARE(f.app->timers, before);
        QTEST(bool(f.app->newTimerWindow), "open");
        QTEST(f.app->endAtTargetID.has_value(), "targetKept");
        QCOMPARE(f.fake.notifier.posted.size(), step == "past" ? 1 : 0);
    }

    // End at replaces a window that was setting a timer up again, and forgets that target.
    void sharesTheWindowWithNewTimer()
    {
        ControllerFixture f;
        PellowTimer tagged = countUp("L", 0);
        tagged.label = QStringLiteral("<b>Tea</b>");
        f.launch({tagged});
        f.app->timerSetupAgain(ControllerFixture::sender("L"));
        const QPointer<QWidget> again = f.app->newTimerWindow;
        f.app->timerEndAt(ControllerFixture::sender("unknown"));
        QCOMPARE(f.app->newTimerWindow, again);
        f.app->timerEndAt(ControllerFixture::sender("L"));
        QVERIFY(!f.app->newTimerLengthField && !(again && again->isVisible()) && !f.app->newTimerTargetID);
        // A name is shown as typed, never as markup.
        const auto* header = qobject_cast<QLabel*>(part(f, "endAtHeader"));
        QVERIFY(header);
        QCOMPARE(header->textFormat(), Qt::PlainText);
        QCOMPARE(header->text(), QStringLiteral("Finish <b>Tea</b> at\u2026"));
        f.app->newTimerCancel();
        f.app->newTimer();
        QCOMPARE(qobject_cast<QLabel*>(part(f, "newTimerHeader"))->text(), QStringLiteral("New timer"));
    }
};

QTEST_MAIN(TestEndAt)
#include "tst_endat.moc"
