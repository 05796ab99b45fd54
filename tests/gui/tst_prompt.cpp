#include "ControllerFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using Notices = QList<QPair<QString, QString>>;

// The prompt window driven as the user does, through "Rename…" and "Custom…": typing, Return,
// Escape and "Cancel", and what each leaves in the timer list and the notices.
class TestPrompt : public QObject
{
    Q_OBJECT

    static constexpr double t0 = 1'800'000'000.0;

    static void open(ControllerFixture& f, const QString& prompt, const QVariant& id = "A")
    {
        const MenuItem item = ControllerFixture::sender(id);
        prompt == QLatin1String("rename") ? f.app->timerRename(item) : f.app->timerCustomLength(item);
    }

    template <typename T = QLineEdit> static T* part(ControllerFixture& f, const char* name = "promptField0")
    {
        return f.app->hudPromptWindow ? f.app->hudPromptWindow->findChild<T*>(QLatin1String(name)) : nullptr;
    }

    // Replaces the text of the open prompt's first field, then closes the prompt: Return, Escape,
    // or its "Cancel" or confirm button.
    static void answer(ControllerFixture& f, const QString& text, const QString& way = "return")
    {
        QLineEdit* field = part(f);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        if (way == "return" || way == "escape")
            QTest::keyClick(field, way == "return" ? Qt::Key_Return : Qt::Key_Escape);
        else
            QTest::mouseClick(part<QPushButton>(f, way == "cancel" ? "promptCancel" : "promptConfirm"),
                              Qt::LeftButton);
    }

private slots:
    void rename_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("shown");
        const char* rows[][4] = {
            {"spaces and tabs go", "  Parking meter\t ", "Parking meter", "Parking meter"},
            {"blank falls back", " \t ", "", "Timer 1"},
            {"no-break space stays", "\u00a0Tea", "\u00a0Tea", "Tea"}};
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]);
    }
    void rename()
    {
        ControllerFixture f;
        PellowTimer a = countdown("A", 1500, t0);
        a.label = " Soup";
        f.launch({a});
        open(f, "rename");
        QCOMPARE(part(f)->text(), " Soup");
        QFETCH(QString, typed);
        answer(f, typed);
        QVERIFY(!f.app->hudPromptWindow);
        QTEST(f.app->timers.first().label, "label");
        QTEST(TimeTexts::displayName(f.app->timers.first(), f.app->timers), "shown");
        QCOMPARE(f.storedTimers(), f.app->timers);
    }

    void anotherPromptReplacesTheOpenOne()
    {
        ControllerFixture f;
        f.launch({countdown("A", 1500, t0)});
        open(f, "length");
        const QPointer<QWidget> first = f.app->hudPromptWindow;
        QTest::keyClicks(part(f), "5");
        open(f, "rename");
        QVERIFY(first->isHidden());
        answer(f, "Tea");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(f.app->timers.first().label, "Tea");
        QCOMPARE(f.app->timers.first().duration, 1500.0);
    }

    // On a running stopwatch of 25 minutes with time banked; 0: unchanged, refused with a notice
    // when Return was pressed (parsing is tst_timetexts').
    void customLength_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("way");
        QTest::addColumn<double>("seconds");
        QTest::newRow("clock") << "7:30"
                               << "return" << 450.0;
        QTest::newRow("minutes with spaces") << " 2.5 "
                                             << "return" << 150.0;
        QTest::newRow("confirm button") << "5"
                                        << "confirm" << 300.0;
        for (const char* way : {"escape", "cancel"})
            QTest::newRow(way) << "5" << way << 0.0;
        for (const char* typed : {"0:00.5", ""}) // readable but under a second; empty
            QTest::newRow(typed) << typed << "return" << 0.0;
    }
    void customLength()
    {
        QFETCH(double, seconds);
        ControllerFixture f;
        PellowTimer before = countUp("A", t0 - 100, true, 40);
        before.duration = 1500;
        f.launch({before});
        f.fake.clock.current = t0 + 5;
        open(f, "length");
        QCOMPARE(part(f)->text(), "25:00");
        QFETCH(QString, typed);
        QFETCH(QString, way);
        answer(f, typed, way);
        QVERIFY(!f.app->hudPromptWindow && f.app->hudPromptFields.isEmpty() && !f.app->hudPromptDone);
        PellowTimer expected = before;
        if (seconds > 0) {
            expected.mode = "down";
            expected.duration = seconds;
            expected.banked = 0;
            expected.startedAt = t0 + 5;
        }
        QCOMPARE(f.app->timers, TimerList{expected});
        QCOMPARE(f.storedTimers(), f.app->timers);
        const Notices refused{{"Pellow", "Couldn't read that length"}};
        QCOMPARE(f.fake.notifier.posted, seconds > 0 || way != "return" ? Notices{} : refused);
    }

    // The timer removed while its prompt is open: answering changes nothing (an unknown sender
    // opens no prompt, as for every timer command in tst_timeractions).
    void timerRemovedWhileOpen_data()
    {
        QTest::addColumn<QString>("prompt");
        QTest::newRow("rename") << "rename";
        QTest::newRow("length") << "length";
    }
    void timerRemovedWhileOpen()
    {
        QFETCH(QString, prompt);
        ControllerFixture f;
        f.launch({countdown("A", 1500, t0), countdown("B", 600, t0)});
        open(f, prompt);
        f.app->timerRemove(ControllerFixture::sender("A"));
        const TimerList remaining = f.app->timers;
        answer(f, "10");
        QCOMPARE(f.app->timers, remaining);
        QCOMPARE(f.storedTimers(), remaining);
        QVERIFY(f.fake.notifier.posted.isEmpty());
    }
};

QTEST_MAIN(TestPrompt)
#include "tst_prompt.moc"
