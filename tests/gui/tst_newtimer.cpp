#include "ControllerFixture.h"

#include "core/Colors.h"
#include "menu/ColorImages.h"
#include "menu/ColorRow.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QUuid>

#include <memory>

// The new-timer window driven as a user: presets, typed lengths, names, colours, again mode.
class TestNewTimer : public QObject
{
    Q_OBJECT

    struct Case
    {
        bool again = false;
        bool green = false; // the green colour button is pressed first
        QString name = {};  // null: the name row is left alone
        QString length = {};
        QString action = {}; // a button, or "return:<field>" or "escape:<field>"
        QString notice = {};
        QString label = {};
        QString mode = "down";
        double duration = 0;
    };

    const double t0 = 1'800'000'000.0;
    const QString hud = QStringLiteral("timerHUDVisible");

    static QWidget* part(const ControllerFixture& f, const QString& name)
    {
        return f.app->newTimerWindow ? f.app->newTimerWindow->findChild<QWidget*>(name) : nullptr;
    }
    static QString text(const ControllerFixture& f, const QString& name)
    {
        return qobject_cast<QLineEdit*>(part(f, name))->text();
    }
    static void press(const ControllerFixture& f, const QString& what)
    {
        if (what.contains(':'))
            QTest::keyClick(part(f, what.section(':', 1)),
                            what.startsWith("escape") ? Qt::Key_Escape : Qt::Key_Return);
        else
            QTest::mouseClick(part(f, what), Qt::LeftButton);
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

private slots:
    void commits_data()
    {
        QTest::addColumn<Case>("c");
        const auto add = [](const char* name, const Case& c) { QTest::newRow(name) << c; };
        add("5 min", {.action = "preset-300", .duration = 300});
        add("Return in the length field",
            {.length = "7:30", .action = "return:lengthField", .duration = 450});
        add("Start, spaces trimmed", {.length = " 90 ", .action = "startButton", .duration = 5400});
        add("Return in the name field",
            {.name = "Tea", .length = "25", .action = "return:nameField", .label = "Tea", .duration = 1500});
        add("a name of spaces", {.name = "   ", .action = "preset-600", .duration = 600});
        add("new stopwatch", {.action = "stopwatchButton", .mode = "up", .duration = 300});
        add("zero", {.length = "0", .action = "return:lengthField", .notice = "Couldn't read that length"});
        add("only spaces",
            {.length = "   ", .action = "return:lengthField", .notice = "Pick a length, or type one"});
        add("again, nothing typed",
            {.again = true, .action = "startButton", .notice = "Pick a length, or type one"});
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
    }
    void commits()
    {
        QFETCH(Case, c);
        ControllerFixture f;
        launch(f);
        const TimerList before = f.app->timers;
        if (c.again)
            f.app->timerSetupAgain(ControllerFixture::sender("A"));
        else
            f.app->newTimer();
        QCOMPARE(qobject_cast<QLabel*>(part(f, "newTimerHeader"))->text(),
                 c.again ? "Set Old again" : "New timer");
        QCOMPARE(f.app->newTimerWindow->focusWidget(), part(f, c.again ? "nameField" : "lengthField"));
        if (c.green)
            press(f, "color-3");
        if (!c.name.isNull()) {
            if (!part(f, "nameField"))
                press(f, "nameToggle");
            type(f, "nameField", c.name);
        }
        type(f, "lengthField", c.length);
        press(f, c.action);

        if (c.duration == 0) { // refused with a notice, or cancelled
            using Notices = QList<QPair<QString, QString>>;
            const Notices notices = c.notice.isEmpty() ? Notices{} : Notices{{"Pellow", c.notice}};
            QCOMPARE(f.fake.notifier.posted, notices);
            QCOMPARE(f.app->timers, before);
            if (c.notice.isEmpty())
                return fieldsAreCleared(f);
            QCOMPARE(text(f, "lengthField"), c.length);
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

    void removedAgainTargetOnlyShowsTheHUD()
    {
        ControllerFixture f;
        launch(f);
        f.app->timerSetupAgain(ControllerFixture::sender("A"));
        f.app->timerRemove(ControllerFixture::sender("A"));
        const TimerList before = f.app->timers;
        press(f, "preset-300");
        QCOMPARE(f.app->timers, before);
        QVERIFY(!f.app->newTimerTargetID && f.fake.preferences.boolValue(hud));
    }

    void rebuildsKeepTheName_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<std::optional<QString>>("color");
        QTest::newRow("name row off and on")
            << QStringList{"nameToggle", "nameToggle"} << std::optional<QString>();
        QTest::newRow("a palette colour") << QStringList{"color-3"} << std::optional<QString>("green");
        QTest::newRow("then no colour") << QStringList{"color-3", "color--1"} << std::optional<QString>();
    }
    void rebuildsKeepTheName()
    {
        QFETCH(QStringList, clicks);
        ControllerFixture f;
        f.launch();
        f.app->newTimer();
        QCOMPARE(qobject_cast<QPushButton*>(part(f, "nameToggle"))->text(), QString("Name it\u2026"));
        press(f, "nameToggle");
        QCOMPARE(qobject_cast<QPushButton*>(part(f, "nameToggle"))->text(), QString("Hide name"));
        type(f, "nameField", "Tea");
        type(f, "lengthField", "25");
        for (const QString& click : clicks)
            press(f, click);
        QTEST(f.app->newTimerColor, "color");
        QCOMPARE(text(f, "nameField"), QString("Tea"));
        QVERIFY(text(f, "lengthField").isEmpty());
        press(f, "preset-600");
        QCOMPARE(f.app->timers.first().label, QString("Tea"));
        QTEST(f.app->timers.first().color, "color");
    }

    void colorRow_data()
    {
        QTest::addColumn<int>("minWidth");
        QTest::addColumn<std::optional<QString>>("selected");
        QTest::addColumn<int>("firstX");
        QTest::addColumn<int>("selectedTag");
        QTest::newRow("no colour, narrow") << 320 << std::optional<QString>() << 0 << -1;
        QTest::newRow("red, centred in 400") << 400 << std::optional<QString>("red") << 23 << 0;
        QTest::newRow("custom colour") << 354 << std::optional<QString>("#1C8C94") << 0 << 999;
        QTest::newRow("unknown key") << 0 << std::optional<QString>("Teal") << 0 << -2;
    }
    void colorRow()
    {
        QFETCH(int, minWidth);
        QFETCH(int, firstX);
        QFETCH(int, selectedTag);
        QFETCH(std::optional<QString>, selected);
        QList<int> picked;
        std::unique_ptr<QWidget> row(ColorRow::makeColorRow(
            selected, [&](int tag) { picked << tag; }, minWidth));
        QCOMPARE(row->size(), QSize(std::max(354, minWidth), 24));
        const auto& palette = Colors::colorPalette();
        const auto image = [](const QIcon& icon) { return icon.pixmap(QSize(24, 24)).toImage(); };
        for (int i = 0; i < 12; ++i) {
            const int tag = i == 0 ? -1 : i == 11 ? 999 : i - 1;
            const bool on = tag == selectedTag;
            auto* button = row->findChild<QToolButton*>(QStringLiteral("color-%1").arg(tag));
            QCOMPARE(button->geometry(), QRect(firstX + 30 * i, 0, 24, 24));
            QCOMPARE(button->toolTip(), tag == -1    ? "No color"
                                        : tag == 999 ? "Any color\u2026"
                                                     : palette[tag].title);
            const QPixmap expected =
                tag == 999 ? ColorImages::colorWheel(on)
                : tag < 0  ? ColorImages::colorDot(std::nullopt, on, 24)
                           : ColorImages::colorDot(ColorImages::drawableColor(palette[tag].key), on, 24);
            QCOMPARE(image(button->icon()), image(QIcon(expected)));
            button->click();
        }
        QCOMPARE(picked, (QList<int>{-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 999}));
    }
};

QTEST_MAIN(TestNewTimer)
#include "tst_newtimer.moc"
