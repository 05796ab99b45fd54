#include "TimerFactory.h"
#include "core/HUDLayout.h"
#include "core/HUDMenuModel.h"
#include "core/HUDPlacement.h"
#include "core/TimeTexts.h"

#include <QDateTime>
#include <QTest>

#include <array>
#include <tuple>

using namespace HUDLayout;
using namespace HUDPlacement;

namespace {

// 08:00 on the wall clock of the zone the test runs in (ctest runs it in several).
const double kNow = double(QDateTime(QDate(2027, 1, 15), QTime(8, 0)).toSecsSinceEpoch());

// Every character 0.6 of the font size wide, lines 1.2 high: sizes the tests can work out.
class FixedMeasure final : public TextMeasure
{
public:
    QSizeF measure(const QString& text, const FontSpec& font) const override
    {
        return QSizeF(0.6 * font.size * double(text.size()), 1.2 * font.size);
    }
};

PellowTimer timer(const char* id, double duration, double banked, bool running, const char* label = "")
{
    PellowTimer t = countdown(id, duration, kNow, running, banked);
    t.label = QString::fromLatin1(label);
    return t;
}

const Text* textOf(const Layout& layout, FontRole role)
{
    for (const Text& t : layout.texts)
        if (t.font.role == role)
            return &t;
    return nullptr;
}

// Two screens side by side in y-up terms: a 1000 x 700 primary with a 20-high panel at its
// top, and a 600 x 400 one to its right, level with the primary's bottom.
const QList<Screen> kScreens{{11, QRectF(0, 0, 1000, 700), QRectF(0, 0, 1000, 680), "Big", true},
                             {22, QRectF(1000, 0, 600, 400), QRectF(1000, 0, 600, 400), "Small", false}};
const QSizeF kHUD(100, 50);

} // namespace

// The HUD's layout model, its menus and its placement, from the worked examples of its design.
class TestHUDLayout : public QObject
{
    Q_OBJECT

private slots:
    void widthsAndDerivedSizes_data()
    {
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("size");
        QTest::addColumn<double>("base");
        QTest::addColumn<bool>("name");
        QTest::addColumn<bool>("detail");
        QTest::newRow("30 is 64") << 30.0 << "compact" << 64.0 << false << false;
        QTest::newRow("1000 is 420") << 1000.0 << "compact" << 420.0 << true << true;
        QTest::newRow("none, large") << 0.0 << "large" << 150.0 << true << true;
        QTest::newRow("85 hides the name") << 85.0 << "compact" << 85.0 << false << false;
        QTest::newRow("86 shows it") << 86.0 << "compact" << 86.0 << true << false;
        QTest::newRow("95 no detail") << 95.0 << "compact" << 95.0 << true << false;
        QTest::newRow("none, compact: the end time too") << 0.0 << "compact" << 100.0 << true << true;
    }
    void widthsAndDerivedSizes()
    {
        QFETCH(double, stored);
        QFETCH(QString, size);
        const Settings s{"left+end", stored, size};
        QTEST(baseWidth(s), "base");
        const Layout layout = HUDLayout::layout({timer("A", 600, 0, true, "Tea")}, s, std::nullopt, kNow,
                                                QLocale::c(), FixedMeasure());
        QTEST(textOf(layout, FontRole::Name) != nullptr, "name");
        QTEST(textOf(layout, FontRole::Detail) != nullptr, "detail");
    }

    void rowTexts_data()
    {
        QTest::addColumn<PellowTimer>("timer");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("main");
        QTest::addColumn<QString>("detail");
        const PellowTimer timers[] = {timer("A", 600, 0, true), timer("A", 600, 120, false),
                                      timer("A", 600, 600, false)};
        // clang-format off
        const std::tuple<int, const char*, const char*, const char*> rows[] = {
            {0, "left+end", "10:00", "ends 08:10"}, {0, "bogus", "10:00", "ends 08:10"},
            {0, "left", "10:00", ""}, {1, "left", "08:00", "paused"}, {1, "elapsed", "02:00", "of 10:00"},
            {0, "end", "\u219208:10", "10:00 left"}, {1, "end", "08:00", "paused"},
            {2, "end", "finished", "finished"}};
        // clang-format on
        for (const auto& [timer, mode, main, detail] : rows)
            QTest::addRow("%s, %s", mode, std::array{"running", "paused", "finished"}[timer])
                << timers[timer] << QString(mode) << QString(main) << QString(detail);
    }
    void rowTexts()
    {
        QFETCH(PellowTimer, timer);
        QFETCH(QString, mode);
        const RowTexts texts = hudRowTexts(timer, mode, kNow, QLocale::c());
        QTEST(texts.main, "main");
        QTEST(texts.detail, "detail");
    }

    // Long names end in "…" at the row's width, on the side where the text ends.
    void longNamesAreElided_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* name, const QString& label, const QString& shown) {
            QTest::newRow(name) << label << shown;
        };
        row("fits", "Tea", "Tea");
        row("left to right", "Laundry in the basement", "Laundry in the ba\u2026");
        row("right to left", QString(30, QChar(0x05D0)), QString(16, QChar(0x05D0)) + "\u2026\u200F");
    }

    void longNamesAreElided()
    {
        QFETCH(QString, label);
        PellowTimer t = timer("A", 600, 0, true);
        t.label = label;
        const Layout layout = HUDLayout::layout({t}, {}, std::nullopt, kNow, QLocale::c(), FixedMeasure());
        const Text* name = textOf(layout, FontRole::Name);
        QTEST(name->text, "shown");
        QVERIFY(name->frame.width() <= layout.rowFrames[0].second.width());
    }

    // Rows stack first on top (y up), one separator between two; twelve rows on a short screen
    // wrap into columns, the first timers in the first; every row inside, none overlapping.
    void rowsStackAndWrap()
    {
        for (int count : {2, 12}) {
            TimerList timers;
            for (int i = 0; i < count; ++i)
                timers.append(timer(qPrintable(QString::number(i)), 600, 0, true, "Tea"));
            Settings settings;
            settings.maxHeight = 400;
            const Layout layout =
                HUDLayout::layout(timers, settings, std::nullopt, kNow, QLocale::c(), FixedMeasure());
            QVERIFY(layout.size.height() <= 400);
            QCOMPARE(layout.rowFrames.size(), count);
            const QRectF all(QPointF(0, 0), layout.size);
            QHash<QString, QRectF> frameOf;
            for (const auto& [id, frame] : layout.rowFrames) {
                frameOf.insert(id, frame);
                QVERIFY(all.contains(frame));
                for (const auto& [other, second] : layout.rowFrames)
                    QVERIFY(id == other || !frame.intersects(second));
            }
            QVERIFY(frameOf["0"].y() > frameOf["1"].y());
            if (count == 12)
                QVERIFY(frameOf["0"].x() < frameOf["11"].x());
            else
                QCOMPARE(std::count_if(layout.shapes.begin(), layout.shapes.end(),
                                       [](const Shape& s) { return s.fill.ink == Ink::Separator; }),
                         1);
        }
        const Layout empty = HUDLayout::layout({}, {}, std::nullopt, kNow, QLocale::c(), FixedMeasure());
        QVERIFY(empty.rowFrames.isEmpty());
        QCOMPARE(empty.texts.value(0).text, QStringLiteral("No timers"));
    }

    // A tick that changes one clock repaints that text alone; a new row repaints everything.
    void changedAreas()
    {
        const TimerList timers{timer("A", 600, 0, true, "Tea"), timer("B", 300, 0, false, "Egg")};
        const auto at = [&](double now, const TimerList& list) {
            return HUDLayout::layout(list, {}, std::nullopt, now, QLocale::c(), FixedMeasure());
        };
        const FixedMeasure measure;
        const auto areas = HUDLayout::changedAreas(at(kNow, timers), at(kNow + 1, timers), 40, measure);
        QVERIFY(areas && !areas->isEmpty());
        const QRectF paused = at(kNow, timers).rowFrames[0].second;
        for (const QRectF& area : *areas)
            QVERIFY(!area.intersects(paused.adjusted(0, 3, 0, 0)));
        // 09:59 to 09:58: only the last digit repaints (and the bar only once it moves a step).
        const Layout before = at(kNow + 1, timers);
        const auto digit = HUDLayout::changedAreas(before, at(kNow + 2, timers), 0, measure);
        const QRectF clock = textOf(before, FontRole::Clock)->frame;
        QCOMPARE(digit->size(), 1);
        QCOMPARE(digit->first().left(), clock.right() - clock.width() / 5 - 2);
        QCOMPARE(digit->first().right(), clock.right() + 2);
        QCOMPARE(HUDLayout::changedAreas(before, before, 40, measure), QList<QRectF>());
        QCOMPARE(HUDLayout::changedAreas(before, at(kNow, timers.mid(0, 1)), 40, measure), std::nullopt);
    }

    void contrast()
    {
        QCOMPARE(contrastTextColor({0.1, 0.1, 0.5}), (Colors::Rgb{1, 1, 1}));
        QCOMPARE(contrastTextColor({1, 0.9, 0.2}), (Colors::Rgb{0, 0, 0}));
    }

    void rowLooks_data()
    {
        QTest::addColumn<PellowTimer>("timer");
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("highlighted");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("clockInk");
        QTest::addColumn<double>("border");
        PellowTimer laundry = timer("A", 900, 173, false, "Laundry");
        QTest::newRow("paused fits") << laundry << 100.0 << false << "Laundry (paused)"
                                     << int(Ink::SecondaryLabel) << 0.0;
        QTest::newRow("paused too wide")
            << laundry << 86.0 << false << "Laundry" << int(Ink::SecondaryLabel) << 0.0;
        PellowTimer done = timer("A", 60, 60, false, "Tea");
        QTest::newRow("finished, plain") << done << 100.0 << false << "Tea" << int(Ink::Red) << 0.0;
        done.color = QStringLiteral("teal");
        QTest::newRow("finished, coloured") << done << 100.0 << false << "Tea" << int(Ink::Custom) << 2.0;
        QTest::newRow("highlighted") << timer("A", 60, 0, true, "Tea") << 100.0 << true << "Tea"
                                     << int(Ink::Label) << 2.5;
    }
    void rowLooks()
    {
        QFETCH(PellowTimer, timer);
        QFETCH(double, width);
        QFETCH(bool, highlighted);
        const Layout layout = HUDLayout::layout({timer}, HUDLayout::Settings{"left+end", width, "compact"},
                                                highlighted ? std::optional<QString>("A") : std::nullopt,
                                                kNow, QLocale::c(), FixedMeasure());
        QTEST(textOf(layout, FontRole::Name)->text, "name");
        QTEST(int(textOf(layout, FontRole::Clock)->paint.ink), "clockInk");
        QTEST(layout.shapes.value(0).borderWidth, "border");
        // The bar's fill: red when finished without a colour.
        QCOMPARE(layout.shapes.last().fill.ink == Ink::Red,
                 !timer.color && TimeTexts::isFinished(timer, kNow));
    }

    void menus()
    {
        HUDMenuState state;
        state.status.now = kNow;
        state.status.locale = QLocale::c();
        state.status.timers = {timer("L", 900, 173, false, "Laundry")};
        const Menu one = HUDMenuModel::hudContextMenu(state, QStringLiteral("L"));
        QCOMPARE(one.items[0].title, QStringLiteral("Laundry \u2014 12:07 \u00b7 paused"));
        QVERIFY(!one.items[0].enabled);
        QCOMPARE(one.items[2].title, QStringLiteral("Resume"));
        QVERIFY(!titles(one).contains("Other timers"));

        state.status.timers += {timer("M", 60, 0, true, "Tea"), timer("N", 60, 0, true, "Egg")};
        const Menu three = HUDMenuModel::hudContextMenu(state, QStringLiteral("M"));
        const Menu others = *three.items[titles(three).indexOf("Other timers")].submenu;
        QCOMPARE(others.items.size(), 2);
        QVERIFY(others.items[0].title.startsWith("Laundry") && others.items[1].title.startsWith("Egg"));
        // Off every row: the status menu's timer part, then the HUD's own items.
        const Menu margin = HUDMenuModel::hudContextMenu(state, std::nullopt);
        QVERIFY(margin.items[0].title.startsWith(QStringLiteral("Resume  Laundry")));

        state.storedWidth = 200;
        state.display = QStringLiteral("end");
        state.alpha = 0.6;
        QCOMPARE(titles(HUDMenuModel::hudLookMenu(state), true),
                 (QStringList{"End time (when it's up)", "Large", "Half"}));

        // One screen: no "Show on"; a free HUD checks no corner.
        state.corner = -1;
        QVERIFY(!titles(HUDMenuModel::hudPlaceMenu(state)).contains("Show on"));
        QVERIFY(titles(HUDMenuModel::hudPlaceMenu(state), true).isEmpty());
        state.screens = {{7, {}, {}, "Left", true}, {9, {}, {}, "Right", false}};
        state.screenChoice = 9;
        const Menu place = HUDMenuModel::hudPlaceMenu(state);
        QCOMPARE(place.items.last().title, QStringLiteral("Show on"));
        QCOMPARE(titles(*place.items.last().submenu, true), QStringList{"Right"});
        QCOMPARE(place.items.last().submenu->items[3].title, QStringLiteral("Left (main)"));
    }

    // Where the HUD goes: corners, a place it was left, the chosen screen or the one it is on, the pointer's.
    void place_data()
    {
        QTest::addColumn<QList<Screen>>("screens");
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<int>("current"); // the screen the window is on; -1: none
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QPointF>("origin");
        const QList<Screen> one{kScreens[0]};
        const auto row = [](const char* name, const QList<Screen>& screens, const Stored& stored, int current,
                            QPointF pointer, QPointF origin) {
            QTest::newRow(name) << screens << stored << current << pointer << origin;
        };
        row("default: top right", one, {}, -1, {}, {888, 618});
        row("bottom left", one, {2, {}, {}, {}}, -1, {}, {12, 12});
        row("corner 7 is top right", one, {7, {}, {}, {}}, -1, {}, {888, 618});
        row("free, where left", one, {-1, {}, 400.5, 300}, -1, {}, {400.5, 300});
        row("free, far off: clamped, no margin", one, {-1, {}, -5000, -5000}, -1, {}, {0, 0});
        row("free, no origin", one, {-1, {}, {}, {}}, -1, {}, {888, 618});
        row("chosen screen", kScreens, {1, 22, {}, {}}, 0, {}, {1488, 338});
        row("chosen screen gone: primary", kScreens, {1, 99, {}, {}}, -1, {}, {888, 618});
        row("chosen screen gone, or none: the one it is on", kScreens, {1, 99, {}, {}}, 1, {}, {1488, 338});
        row("follow the pointer", kScreens, {2, -1, {}, {}}, 0, {1200, 100}, {1012, 12});
        row("free on the second screen", kScreens, {-1, 0, 1550, 390}, -1, {}, {1500, 350});
        row("no screens", {}, {}, -1, {}, {0, 0});
    }
    void place()
    {
        QFETCH(QList<Screen>, screens);
        QFETCH(Stored, stored);
        QFETCH(int, current);
        QFETCH(QPointF, pointer);
        const auto on = current < 0 ? std::nullopt : std::optional<qsizetype>(current);
        const auto at = pointer.isNull() ? std::nullopt : std::optional<QPointF>(pointer);
        QTEST(HUDPlacement::place(screens, stored, on, at, kHUD), "origin");
    }

    void corners()
    {
        QList<int> cycle;
        std::optional<int> c = 0;
        for (int i = 0; i < 4; ++i)
            cycle << *(c = nextCorner(c));
        QCOMPARE(cycle, (QList<int>{1, 3, 2, 0}));
        QCOMPARE(nextCorner(-1), 3);
        QCOMPARE(cornerByArrow(-1, 124), std::optional<int>(3)); // right from free
        QCOMPARE(cornerByArrow(std::nullopt, 125), std::optional<int>(3));
        QCOMPARE(cornerByArrow(1, 36), std::nullopt); // Return
        // A resize keeps the HUD's corner still.
        const QRectF before(500, 300, 120, 80);                                  // y up: top edge at 380
        QCOMPARE(anchoredOrigin(1, before, QSizeF(130, 90)), QPointF(490, 290)); // right and top stay
        QCOMPARE(anchoredOrigin(2, before, QSizeF(130, 90)), QPointF(500, 300)); // left and bottom stay
    }

    // The grip sits in the corner that moves, so dragging it outwards (y up) makes the HUD wider.
    void grip_data()
    {
        QTest::addColumn<int>("corner");
        QTest::addColumn<int>("grip");
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<double>("width"); // -1: no change
        const auto row = [](const char* name, int corner, Qt::Corner grip, double current, double dx,
                            double dy, double width) {
            QTest::newRow(name) << corner << int(grip) << current << dx << dy << width;
        };
        row("top left, outwards", 0, Qt::BottomRightCorner, 100, 10, -10, 110);
        row("top right, left 10", 1, Qt::BottomLeftCorner, 100, -10, 0, 110);
        row("bottom left, outwards", 2, Qt::TopRightCorner, 100, 10, 10, 110);
        row("bottom right, up wins", 3, Qt::TopLeftCorner, 100, -2, 5, 105);
        row("free, outwards", -1, Qt::BottomRightCorner, 100, 10, -10, 110);
        row("at 420, wider", 1, Qt::BottomLeftCorner, 420, -10, 0, -1);
        row("tiny", 2, Qt::TopRightCorner, 100, 0.4, 0, -1);
    }
    void grip()
    {
        QFETCH(int, corner);
        QFETCH(double, current);
        QFETCH(double, dx);
        QFETCH(double, dy);
        QTEST(int(gripCorner(corner)), "grip");
        QTEST(resizedWidth(corner, current, dx, dy).value_or(-1), "width");
    }

    // Stored as the chosen screen: the same in every process, told apart by the serial.
    void screenNumbersAreStable()
    {
        QCOMPARE(screenNumber("SN1", "ACME", "View 27", "DP-1"), 1799548753);
        QVERIFY(screenNumber("SN2", "ACME", "View 27", "DP-1") != 1799548753);
    }
};

QTEST_GUILESS_MAIN(TestHUDLayout)
#include "tst_hudlayout.moc"
