#include "core/HUDPlacement.h"

#include <QTest>

using namespace HUDPlacement;

namespace {

// Two screens side by side in y-up terms: a 1000 x 700 primary with a 20-high panel at its
// top, and a 600 x 400 one to its right, level with the primary's bottom.
const QList<Screen> kScreens{{11, QRectF(0, 0, 1000, 700), QRectF(0, 0, 1000, 680), "Big", true},
                             {22, QRectF(1000, 0, 600, 400), QRectF(1000, 0, 600, 400), "Small", false}};
const QSizeF kHUD(100, 50);

} // namespace

// Where the HUD goes: corners, a place it was left, the chosen screen, arrows and the grip.
class TestHUDPlacement : public QObject
{
    Q_OBJECT

private slots:
    void place_data()
    {
        QTest::addColumn<QList<Screen>>("screens");
        QTest::addColumn<Stored>("stored");
        QTest::addColumn<QPointF>("pointer");
        QTest::addColumn<QPointF>("origin");
        const QList<Screen> one{kScreens[0]};
        QTest::newRow("default: top right") << one << Stored{} << QPointF() << QPointF(888, 618);
        QTest::newRow("top left") << one << Stored{0, {}, {}, {}} << QPointF() << QPointF(12, 618);
        QTest::newRow("bottom left") << one << Stored{2, {}, {}, {}} << QPointF() << QPointF(12, 12);
        QTest::newRow("bottom right") << one << Stored{3, {}, {}, {}} << QPointF() << QPointF(888, 12);
        QTest::newRow("corner 7 is top right")
            << one << Stored{7, {}, {}, {}} << QPointF() << QPointF(888, 618);
        QTest::newRow("free, where left")
            << one << Stored{-1, {}, 400.5, 300} << QPointF() << QPointF(400.5, 300);
        QTest::newRow("free, far off: clamped, no margin")
            << one << Stored{-1, {}, -5000, -5000} << QPointF() << QPointF(0, 0);
        QTest::newRow("free, no origin") << one << Stored{-1, {}, {}, {}} << QPointF() << QPointF(888, 618);
        QTest::newRow("chosen screen")
            << kScreens << Stored{1, 22, {}, {}} << QPointF() << QPointF(1488, 338);
        QTest::newRow("chosen screen gone: primary")
            << kScreens << Stored{1, 99, {}, {}} << QPointF() << QPointF(888, 618);
        QTest::newRow("follow the pointer")
            << kScreens << Stored{2, -1, {}, {}} << QPointF(1200, 100) << QPointF(1012, 12);
        QTest::newRow("free on the second screen")
            << kScreens << Stored{-1, 0, 1550, 390} << QPointF() << QPointF(1500, 350);
    }
    void place()
    {
        QFETCH(QList<Screen>, screens);
        QFETCH(Stored, stored);
        QFETCH(QPointF, pointer);
        const auto at = pointer.isNull() ? std::nullopt : std::optional<QPointF>(pointer);
        QTEST(HUDPlacement::place(screens, stored, std::nullopt, at, kHUD), "origin");
    }

    void theCurrentScreenWins()
    {
        // Nothing chosen: the screen the window is on, not the primary.
        QCOMPARE(targetScreen(kScreens, std::nullopt, 1, std::nullopt), std::optional<qsizetype>(1));
        QCOMPARE(targetScreen(kScreens, 99, 1, std::nullopt), std::optional<qsizetype>(1));
        QCOMPARE(targetScreen({}, 0, std::nullopt, std::nullopt), std::nullopt);
    }

    void cornersMove()
    {
        QList<int> cycle;
        std::optional<int> c = 0;
        for (int i = 0; i < 4; ++i)
            cycle << *(c = nextCorner(c));
        QCOMPARE(cycle, (QList<int>{1, 3, 2, 0}));
        QCOMPARE(nextCorner(-1), 3);
        QCOMPARE(cornerByArrow(2, 126), std::optional<int>(0));  // up from bottom left
        QCOMPARE(cornerByArrow(-1, 124), std::optional<int>(3)); // right from free
        QCOMPARE(cornerByArrow(std::nullopt, 125), std::optional<int>(3));
        QCOMPARE(cornerByArrow(0, 123), std::optional<int>(0));
        QCOMPARE(cornerByArrow(1, 36), std::nullopt); // Return
    }

    void grip_data()
    {
        QTest::addColumn<int>("corner");
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<double>("width"); // -1: no change
        QTest::newRow("top right, left 10") << 1 << 100.0 << -10.0 << 0.0 << 110.0;
        QTest::newRow("top left, left 10") << 0 << 100.0 << -10.0 << 0.0 << 90.0;
        QTest::newRow("bottom right, up wins") << 3 << 100.0 << -2.0 << 5.0 << 105.0;
        QTest::newRow("at 420, wider") << 1 << 420.0 << -10.0 << 0.0 << -1.0;
        QTest::newRow("tiny") << 2 << 100.0 << 0.4 << 0.0 << -1.0;
    }
    void grip()
    {
        QFETCH(int, corner);
        QFETCH(double, current);
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(double, width);
        QCOMPARE(resizedWidth(corner, current, dx, dy).value_or(-1), width);
    }

    void gripKeepsTheCornerStill()
    {
        const QRectF before(500, 300, 120, 80);                                  // y up: top edge at 380
        QCOMPARE(anchoredOrigin(1, before, QSizeF(130, 90)), QPointF(490, 290)); // right and top stay
        QCOMPARE(anchoredOrigin(2, before, QSizeF(130, 90)), QPointF(500, 300)); // left and bottom stay
    }

    void screenNumbersAreStable()
    {
        const int n = screenNumber("SN1", "ACME", "View 27", "DP-1");
        QVERIFY(n > 0);
        QCOMPARE(screenNumber("SN1", "ACME", "View 27", "DP-1"), n);
        QVERIFY(screenNumber("SN2", "ACME", "View 27", "DP-1") != n);
    }
};

QTEST_GUILESS_MAIN(TestHUDPlacement)
#include "tst_hudplacement.moc"
