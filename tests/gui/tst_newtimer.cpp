#include "ControllerFixture.h"

#include "core/NewTimerRules.h"
#include "menu/ColorRow.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeZone>
#include <QToolButton>
#include <QUuid>

#include <memory>

using Notices = QList<QPair<QString, QString>>;

// The new-timer, end-at, rename and custom-length windows, driven as a user.
class TestNewTimer : public QObject
{
    Q_OBJECT

    struct Case
    {
        bool again = false;
        bool removed = false; // the timer set up again is removed before the action
        bool green = false;   // the green colour button is pressed after the name is typed
        bool reshow = false;  // the name row is hidden and shown again after typing
        QString name = {};    // null: the name row is left alone
        QString length = {};
        double endAt = 0;    // ahead of now: picked in the end-at field
        QString action = {}; // a button, or "return:<field>" or "escape:<field>"
        QString notice = {};
        QString label = {};
        QString mode = "down";
        double duration = 0;
    };

    struct Answer
    {
        QString prompt = "rename";
        bool removed = false;   // the timer is removed while the prompt is open
        bool replacing = false; // the other prompt, opened first with "5" typed, is replaced
        QString typed = {};
        QString way = "return"; // or "escape", "cancel", "confirm"
        QString label = " Soup";
        double seconds = 0; // the new length; 0: unchanged
    };

    const double t0 = 1'800'000'000.0; // a whole minute
    const double picked = t0 + 5100;   // 09:25, off the quarter hours the end-at window opens on
    const QString hud = QStringLiteral("timerHUDVisible");

    static QWidget* part(const ControllerFixture& f, const QString& name)
    {
        return f.app->newTimerWindow ? f.app->newTimerWindow->findChild<QWidget*>(name) : nullptr;
    }
    // A click on a part, or "<key>:<part>": the key pressed on that part, focused first.
    static void press(const ControllerFixture& f, const QString& what)
    {
        static const QHash<QString, Qt::Key> keys{
            {"return", Qt::Key_Return}, {"enter", Qt::Key_Enter}, {"escape", Qt::Key_Escape}};
        QWidget* target = part(f, what.section(':', -1));
        if (!what.contains(':'))
            return QTest::mouseClick(target, Qt::LeftButton);
        target->setFocus();
        QTest::keyClick(target, keys.value(what.section(':', 0, 0)));
    }
    static QDateTimeEdit* picker(const ControllerFixture& f)
    {
        return qobject_cast<QDateTimeEdit*>(part(f, "endPicker"));
    }
    static QDateTime wallClock(const QString& text, const QTimeZone& zone)
    {
        // An offset in the text picks one of a wall time that comes twice.
        const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (parsed.timeSpec() == Qt::OffsetFromUTC)
            return parsed.toTimeZone(zone);
        return QDateTime(parsed.date(), parsed.time(), zone);
    }
    static void type(const ControllerFixture& f, const QString& field, const QString& text)
    {
        qobject_cast<QLineEdit*>(part(f, field))->clear();
        QTest::keyClicks(part(f, field), text);
    }
    void launch(ControllerFixture& f) const
    {
        const PellowTimer a{"A", "Old", "down", 1200, 700, t0 - 900, false, true, {-1, 600}, QString("teal")};
        f.launch({a, countdown("B", 60, t0 - 10)}, {{hud, false}});
    }
    void fieldsAreCleared(const ControllerFixture& f) const
    {
        QVERIFY(!f.app->newTimerWindow && !f.app->newTimerLengthField && !f.app->newTimerEndPicker);
        QVERIFY(!f.app->newTimerTargetID && !f.app->newTimerColor && !f.app->newTimerWantsName);
        QVERIFY(f.app->newTimerNameDraft.isEmpty());
    }

    static void openPrompt(ControllerFixture& f, const QString& prompt)
    {
        const MenuItem item = ControllerFixture::sender("A");
        prompt == QLatin1String("rename") ? f.app->timerRename(item) : f.app->timerCustomLength(item);
    }

    template <typename T = QLineEdit>
    static T* promptPart(ControllerFixture& f, const char* name = "promptField0")
    {
        return f.app->hudPromptWindow ? f.app->hudPromptWindow->findChild<T*>(QLatin1String(name)) : nullptr;
    }

private slots:
    void commits_data()
    {
        QTest::addColumn<Case>("c");
        const auto add = [](const char* name, const Case& c) { QTest::newRow(name) << c; };
        add("5 min, named, green",
            {.green = true, .name = "Tea", .action = "preset-300", .label = "Tea", .duration = 300});
        add("Start, spaces trimmed", {.length = " 90 ", .action = "startButton", .duration = 5400});
        add("keypad Enter on a focused preset", {.action = "enter:preset-300", .duration = 300});
        add("name hidden and shown again",
            {.reshow = true, .name = "Tea", .action = "preset-600", .label = "Tea", .duration = 600});
        add("a name of spaces", {.name = "   ", .action = "preset-600", .duration = 600});
        add("new stopwatch", {.action = "stopwatchButton", .mode = "up", .duration = 300});
        add("end at", {.endAt = 1380, .action = "endAtButton", .duration = 1380});
        add("end at a minute gone by",
            {.endAt = -60, .action = "endAtButton", .notice = "That time has already gone by"});
        add("zero", {.length = "0", .action = "return:lengthField", .notice = "Couldn't read that length"});
        add("only spaces",
            {.length = "   ", .action = "return:lengthField", .notice = "Pick a length, or type one"});
        add("again, name cleared",
            {.again = true, .name = "", .action = "preset-600", .label = "Old", .duration = 600});
        add("again, green",
            {.again = true, .green = true, .action = "preset-600", .label = "Old", .duration = 600});
        add("again, new name",
            {.again = true, .name = "New", .action = "preset-600", .label = "New", .duration = 600});
        add("again, stopwatch",
            {.again = true, .action = "stopwatchButton", .label = "Old", .mode = "up", .duration = 1200});
        add("again, Cancel", {.again = true, .name = "New", .length = "5", .action = "cancelButton"});
        add("again, Escape", {.again = true, .length = "5", .action = "escape:lengthField"});
        add("again, removed meanwhile: only the HUD shows",
            {.again = true, .removed = true, .action = "preset-300"});
    }
    void commits()
    {
        QFETCH(Case, c);
        ControllerFixture f;
        launch(f);
        if (c.again)
            f.app->timerSetupAgain(ControllerFixture::sender("A"));
        else
            f.app->newTimer();
        QCOMPARE(qobject_cast<QLabel*>(part(f, "newTimerHeader"))->text(),
                 c.again ? "Set Old again" : "New timer");
        QCOMPARE(f.app->newTimerWindow->focusWidget(), part(f, c.again ? "nameField" : "lengthField"));
        QCOMPARE(picker(f)->dateTime().toSecsSinceEpoch(), qint64(f.app->defaultEndAtDate()));
        const auto toggle = [&f] { return qobject_cast<QPushButton*>(part(f, "nameToggle"))->text(); };
        QCOMPARE(toggle(), c.again ? "Hide name" : "Name it\u2026");
        if (c.removed)
            f.app->timerRemove(ControllerFixture::sender("A"));
        const TimerList before = f.app->timers;
        f.app->newTimerWindow->move(40, 50);
        type(f, "lengthField", c.length);
        if (!c.name.isNull()) { // "Name it…" rebuilds the window in place, keeping the typed length
            if (!part(f, "nameField"))
                press(f, "nameToggle");
            type(f, "nameField", c.name);
            QCOMPARE(toggle(), "Hide name");
            QCOMPARE(f.app->newTimerWindow->pos(), QPoint(40, 50));
        }
        if (c.reshow) { // rebuilt twice; the typed name survives
            press(f, "nameToggle");
            QVERIFY(!part(f, "nameField"));
            press(f, "nameToggle");
        }
        if (c.green)
            press(f, "color-3");
        if (c.endAt != 0)
            picker(f)->setDateTime(QDateTime::fromSecsSinceEpoch(qint64(t0 + c.endAt)));
        press(f, c.action);

        if (c.duration == 0) { // refused with a notice, or cancelled
            const Notices notices = c.notice.isEmpty() ? Notices{} : Notices{{"Pellow", c.notice}};
            QCOMPARE(f.fake.notifier.posted, notices);
            QCOMPARE(f.app->timers, before);
            if (c.notice.isEmpty()) {
                QCOMPARE(f.fake.preferences.boolValue(hud), c.removed); // Cancel shows nothing
                return fieldsAreCleared(f);
            }
            QCOMPARE(qobject_cast<QLineEdit*>(part(f, "lengthField"))->text(), c.length);
            QCOMPARE(f.app->newTimerTargetID.has_value(), c.again);
            return;
        }
        QVERIFY(f.fake.notifier.posted.isEmpty());
        fieldsAreCleared(f);
        QCOMPARE(f.app->timers.size(), c.again ? 2 : 3);
        const PellowTimer& t = c.again ? f.app->timers.first() : f.app->timers.last();
        QCOMPARE(t.id, c.again ? "A" : QUuid::fromString(t.id).toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(t.color, c.green   ? std::optional<QString>("green")
                          : c.again ? std::optional<QString>("teal")
                                    : std::nullopt);
        QCOMPARE((std::tuple(t.label, t.mode, t.duration)), std::tuple(c.label, c.mode, c.duration));
        QVERIFY(t.running && t.startedAt == t0 && t.banked == 0 && t.warned.isEmpty() && !t.alerted);
        QCOMPARE(f.storedTimers(), f.app->timers);
        QVERIFY(f.fake.preferences.isStored(hud) && f.fake.preferences.boolValue(hud));
    }

    // Start or Return count the timer down to the moment from zero, keeping its name, colour and place.
    void endAtForATimer_data()
    {
        QTest::addColumn<PellowTimer>("before");
        QTest::addColumn<QString>("step");
        QTest::addColumn<double>("ahead"); // from now to the picked moment
        const PellowTimer lap{"L",           "<b>Lap</b>", "up",  300, 0,
                              picked - 5000, true,         false, {},  QString("teal")};
        const PellowTimer paused{"L",           "<b>Lap</b>", "down", 300,  200,
                                 picked - 5000, false,        true,   {-1}, std::nullopt};
        QTest::newRow("stopwatch, Start") << lap << "endAtStart" << 1350.0;
        QTest::newRow("paused countdown, Return") << paused << "return" << 1350.0;
        QTest::newRow("a past moment") << lap << "return" << -60.0;
        QTest::newRow("timer removed meanwhile") << lap << "remove" << 600.0;
        QTest::newRow("Cancel") << lap << "endAtCancel" << 600.0;
        QTest::newRow("Escape") << lap << "escape" << 600.0;
    }
    void endAtForATimer()
    {
        QFETCH(PellowTimer, before);
        QFETCH(QString, step);
        QFETCH(double, ahead);
        ControllerFixture f;
        f.fake.clock.current = picked - ahead;
        f.launch({countdown("A", 60, 0, false), before}, {{hud, false}});
        // It replaces a window setting a timer up again, and forgets that target.
        f.app->timerSetupAgain(ControllerFixture::sender("A"));
        const QPointer<QWidget> again = f.app->newTimerWindow;
        f.app->timerEndAt(ControllerFixture::sender("unknown"));
        QCOMPARE(f.app->newTimerWindow, again);
        f.app->timerEndAt(ControllerFixture::sender("L"));
        QVERIFY(!f.app->newTimerLengthField && !(again && again->isVisible()) && !f.app->newTimerTargetID);
        const auto* header = qobject_cast<QLabel*>(part(f, "endAtHeader"));
        QCOMPARE(header->text(), QString("Finish <b>Lap</b> at\u2026")); // as typed, never as markup
        QCOMPARE(header->textFormat(), Qt::PlainText);
        QCOMPARE(f.app->newTimerWindow->focusWidget(), picker(f));
        // The window opens on the hour: typed, the time is one of the picked day.
        QTest::keyClicks(picker(f), QDateTime::fromSecsSinceEpoch(qint64(picked)).toString("HH:mm"));
        QCOMPARE(picker(f)->dateTime().toSecsSinceEpoch(), qint64(picked));
        if (step == "remove")
            f.app->timerRemove(ControllerFixture::sender("L"));
        const TimerList unchanged = f.app->timers;
        if (step.startsWith("endAt"))
            QTest::mouseClick(part(f, step), Qt::LeftButton);
        else
            QTest::keyClick(picker(f), step == "escape" ? Qt::Key_Escape : Qt::Key_Return);
        QCOMPARE(bool(f.app->newTimerWindow), ahead < 0); // a past moment is refused, the window kept
        QCOMPARE(f.fake.notifier.posted.size(), ahead < 0 ? 1 : 0);
        QCOMPARE(f.storedTimers(), f.app->timers);
        QVERIFY(!f.fake.preferences.boolValue(hud));
        if (ahead < 0 || step == "remove" || step == "endAtCancel" || step == "escape") {
            QCOMPARE(f.app->timers, unchanged);
            return;
        }
        const PellowTimer after{"L",           before.label, "down", 1350, 0,
                                picked - 1350, true,         false,  {},   before.color};
        QCOMPARE(f.app->timers.value(1), after);
        QVERIFY(!f.app->endAtTargetID);
    }

    // Keyboard focus shows on every control, and Tab walks the window top to bottom, left to right.
    void focusIsVisibleAndInOrder()
    {
        ControllerFixture f;
        launch(f);
        f.app->newTimer();
        QWidget* window = f.app->newTimerWindow;
        QVERIFY(QTest::qWaitForWindowActive(window));
        QHash<QWidget*, QImage> unfocused;
        for (QWidget* control : window->findChildren<QWidget*>())
            if ((control->focusPolicy() & Qt::TabFocus) && !control->focusProxy())
                unfocused.insert(control, control->grab().toImage());
        // Tab from the length field round to it again, as a user would.
        QList<QWidget*> order{window->focusWidget()};
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
            if (window->focusWidget() == order.first())
                break;
            if (window->focusWidget() == order.last())
                continue; // Tab walks the date picker's fields first
            order.append(window->focusWidget());
            QVERIFY2(qobject_cast<QLineEdit*>(order.last()) ||
                         order.last()->grab().toImage() != unfocused.value(order.last()),
                     qPrintable(order.last()->objectName()));
        }
        QCOMPARE(order.size(), unfocused.size());
        const auto place = [window](QWidget* w) { return w->mapTo(window, QPoint(0, 0)); };
        const auto top = std::min_element(order.begin(), order.end(), [&](QWidget* a, QWidget* b) {
            return std::pair(place(a).y(), place(a).x()) < std::pair(place(b).y(), place(b).x());
        });
        std::rotate(order.begin(), top, order.end());
        for (qsizetype i = 1; i < order.size(); ++i) {
            const QPoint a = place(order[i - 1]), b = place(order[i]);
            QVERIFY2(b.y() > a.y() || (b.y() == a.y() && b.x() > a.x()), qPrintable(order[i]->objectName()));
        }
    }

    // The end-at picker's starting moment, and the length to a picked moment.
    void defaultEndAt_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("expected");
        // clang-format off
        const char* rows[][4] = {
            {"a quarter kept, seconds dropped", "UTC", "2027-03-10T10:05:59.900", "2027-03-10T10:15"},
            {"rounds up into the next day", "UTC", "2027-03-10T23:47:00", "2027-03-11T00:00"},
            {"Berlin, clocks go forward", "Europe/Berlin", "2027-03-28T01:52:00", "2027-03-28T03:15"},
            {"Berlin, clocks go back, first 02:xx", "Europe/Berlin", "2027-10-31T02:05:00+02:00",
             "2027-10-31T02:15:00+02:00"},
            {"Berlin, clocks go back, second 02:xx", "Europe/Berlin", "2027-10-31T02:05:00+01:00",
             "2027-10-31T02:15:00+01:00"}};
        // clang-format on
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QByteArray(row[1]) << QString(row[2]) << QString(row[3]);
    }
    void defaultEndAt()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, now);
        QFETCH(QString, expected);
        const QTimeZone tz(zone);
        if (!tz.isValid())
            QSKIP("no time zone data");
        const double result =
            NewTimerRules::defaultEndAt(wallClock(now, tz).toMSecsSinceEpoch() / 1000.0, tz);
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(qint64(result * 1000), tz), wallClock(expected, tz));
    }

    void endAtLength_data()
    {
        QTest::addColumn<double>("ahead");
        QTest::addColumn<double>("length"); // -1: refused
        QTest::newRow("1.4") << 1.4 << 1.0;
        QTest::newRow("2.5, away from zero") << 2.5 << 3.0;
        QTest::newRow("one second") << 1.0 << 1.0;
        QTest::newRow("under a second") << 0.99 << -1.0;
        QTest::newRow("NaN") << qQNaN() << -1.0;
    }
    void endAtLength()
    {
        QFETCH(double, ahead);
        const double now = 1'800'000'000.25;
        QTEST(NewTimerRules::endAtLength(now + ahead, now).value_or(-1), "length");
    }

    // Twelve choices; exactly the stored one is drawn selected (what each tag picks is tst_coloractions').
    void colorRow_data()
    {
        QTest::addColumn<std::optional<QString>>("stored");
        QTest::addColumn<QString>("selected"); // the button drawn unlike in a row with nothing chosen
        QTest::newRow("no colour") << std::optional<QString>() << "color--1";
        QTest::newRow("red") << std::optional<QString>("red") << "color-0";
        QTest::newRow("custom colour") << std::optional<QString>("#1C8C94") << "color-999";
        QTest::newRow("unknown key") << std::optional<QString>("Teal") << "";
    }
    void colorRow()
    {
        QFETCH(std::optional<QString>, stored);
        const auto looks = [](const std::optional<QString>& color) {
            std::unique_ptr<QWidget> row(ColorRow::makeColorRow(color, {}, 0));
            QMap<QString, QImage> images;
            for (const QToolButton* button : row->findChildren<QToolButton*>())
                images.insert(button->objectName(), button->icon().pixmap(QSize(24, 24)).toImage());
            return images;
        };
        const auto plain = looks(QStringLiteral("no such colour")), shown = looks(stored);
        QCOMPARE(shown.size(), 12);
        QStringList selected;
        for (auto it = shown.begin(); it != shown.end(); ++it)
            if (it.value() != plain.value(it.key()))
                selected << it.key();
        QTEST(selected.join(' '), "selected");
    }

    // The prompt window, through "Rename…" and "Custom…" on a running 25-minute stopwatch with time
    // banked: what typing and closing it leave (parsing is tst_timetexts').
    void prompts_data()
    {
        QTest::addColumn<Answer>("a");
        const auto add = [](const char* name, const Answer& a) { QTest::newRow(name) << a; };
        add("spaces and tabs go", {.typed = "  Parking meter\t ", .label = "Parking meter"});
        add("no-break space stays", {.typed = "\u00a0Tea", .label = "\u00a0Tea"});
        add("rename, timer removed meanwhile", {.removed = true, .typed = "10"});
        add("rename replaces an open length prompt", {.replacing = true, .typed = "Tea", .label = "Tea"});
        add("confirm button", {.prompt = "length", .typed = "7:30", .way = "confirm", .seconds = 450});
        add("escape", {.prompt = "length", .typed = "5", .way = "escape"});
        add("cancel", {.prompt = "length", .typed = "5", .way = "cancel"});
        add("under a second", {.prompt = "length", .typed = "0:00.5"});
        add("length, timer removed meanwhile", {.prompt = "length", .removed = true, .typed = "10"});
    }
    void prompts()
    {
        QFETCH(Answer, a);
        ControllerFixture f;
        const PellowTimer before{"A", " Soup", "up", 1500, 40, t0 - 100, true, false, {}, std::nullopt};
        f.launch({before, countdown("B", 600, t0)});
        f.fake.clock.current = t0 + 5;
        QPointer<QWidget> replaced;
        if (a.replacing) {
            openPrompt(f, a.prompt == "rename" ? "length" : "rename");
            replaced = f.app->hudPromptWindow;
            QTest::keyClicks(promptPart(f), "5");
        }
        openPrompt(f, a.prompt);
        QVERIFY(!replaced || replaced->isHidden());
        QCOMPARE(promptPart(f)->text(), a.prompt == "rename" ? " Soup" : "25:00");
        if (a.removed)
            f.app->timerRemove(ControllerFixture::sender("A"));
        TimerList expected = f.app->timers;
        // Typed over the prefill, which the prompt selects as it opens; closed by a key or a button.
        QTest::keyClick(promptPart(f), Qt::Key_Backspace);
        QTest::keyClicks(promptPart(f), a.typed);
        if (a.way == "return" || a.way == "escape")
            QTest::keyClick(promptPart(f), a.way == "return" ? Qt::Key_Return : Qt::Key_Escape);
        else
            QTest::mouseClick(
                promptPart<QPushButton>(f, a.way == "cancel" ? "promptCancel" : "promptConfirm"),
                Qt::LeftButton);
        QVERIFY(!f.app->hudPromptWindow && f.app->hudPromptFields.isEmpty() && !f.app->hudPromptDone);
        if (!a.removed) {
            expected[0].label = a.label;
            if (a.seconds > 0) {
                expected[0].mode = "down";
                expected[0].duration = a.seconds;
                expected[0].banked = 0;
                expected[0].startedAt = t0 + 5;
            }
        }
        QCOMPARE(f.app->timers, expected);
        QCOMPARE(f.storedTimers(), expected);
        const bool refused = !a.removed && a.prompt == "length" && a.seconds == 0 && a.way == "return";
        const Notices notice{{"Pellow", "Couldn't read that length"}};
        QCOMPARE(f.fake.notifier.posted, refused ? notice : Notices{});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!replaced);
    }
};

QTEST_MAIN(TestNewTimer)
#include "tst_newtimer.moc"
