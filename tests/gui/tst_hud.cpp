#include "ControllerFixture.h"
#include "hud/HUDArrowPanel.h"
#include "hud/HUDResizeGrip.h"
#include "hud/HUDWidgetView.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>

// The HUD window driven as a user: clicks, double-click, keys, and drags of the panel and its grip.
class TestHUD : public QObject
{
    Q_OBJECT

    static double clickWait() { return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0; }

    static void launchShown(ControllerFixture& f, const QJsonObject& prefs = {})
    {
        QJsonObject all = prefs;
        all.insert(QStringLiteral("timerHUDVisible"), true);
        f.launch({countdown("A", 600, f.fake.clock.current), countdown("B", 300, f.fake.clock.current)}, all);
    }

    // The widget position of the middle of a timer's row.
    static QPoint rowCentre(const ControllerFixture& f, const QString& id)
    {
        for (const auto& [rowID, frame] : f.app->timerHUDRowFrames)
            if (rowID == id)
                return QPoint(int(frame.center().x()),
                              int(f.app->timerHUDView->height() - frame.center().y()));
        return {};
    }

    static const PellowTimer& timer(const ControllerFixture& f, const char* id)
    {
        return *f.app->timerWithID(QString::fromLatin1(id));
    }

private slots:
    void clickPausesAndHighlights()
    {
        ControllerFixture f;
        launchShown(f);
        HUDWidgetView* view = f.app->timerHUDView;
        QTest::mouseClick(view, Qt::LeftButton, {}, rowCentre(f, "A"));
        QVERIFY(timer(f, "A").running); // a single click waits out the double-click interval
        f.fake.scheduler.advance(clickWait());
        QVERIFY(!timer(f, "A").running);
        QCOMPARE(f.app->hudFlashRowID, std::optional<QString>("A"));

        // A second click within 0.4 s moves the highlight; the first clear then does nothing.
        QTest::mouseClick(view, Qt::LeftButton, {}, rowCentre(f, "B"));
        f.fake.scheduler.advance(clickWait());
        QCOMPARE(f.app->hudFlashRowID, std::optional<QString>("B"));
        QVERIFY(!timer(f, "B").running);
        f.fake.scheduler.advance(0.4 - clickWait() + 0.01);
        QCOMPARE(f.app->hudFlashRowID, std::optional<QString>("B"));
        f.fake.scheduler.advance(0.4);
        QVERIFY(!f.app->hudFlashRowID);
    }

    void doubleClickKeysAndBlink()
    {
        ControllerFixture f;
        launchShown(f);
        HUDWidgetView* view = f.app->timerHUDView;
        QTest::mouseDClick(view, Qt::LeftButton, {}, rowCentre(f, "A"));
        f.fake.scheduler.advance(1);
        QVERIFY(timer(f, "A").running); // the double-click is not also a click
        QCOMPARE(f.fake.preferences.intValue("timerHUDCorner"), 3);
        // Arrows move it corner to corner (0 top left, 1 top right, 2 bottom left, 3 bottom right).
        const std::pair<Qt::Key, int> arrows[] = {
            {Qt::Key_Left, 2}, {Qt::Key_Up, 0}, {Qt::Key_Right, 1}, {Qt::Key_Down, 3}, {Qt::Key_Up, 1}};
        for (const auto& [key, corner] : arrows) {
            QTest::keyClick(f.app->timerHUDWindow, key);
            QCOMPARE(f.fake.preferences.intValue("timerHUDCorner"), corner);
        }
        // The blink: six steps of 0.16 s between dim and the stored alpha, kept within 0.2 ... 1.
        f.fake.preferences.setDouble("timerHUDAlpha", 0.05);
        f.app->rebuildHUD();
        QCOMPARE(f.app->timerHUDWindow->windowOpacity(), 0.2);
        f.app->flashHUD();
        QList<double> steps;
        for (int i = 0; i < 6; ++i) {
            f.fake.scheduler.advance(0.16);
            steps << qRound(f.app->timerHUDWindow->windowOpacity() * 100) / 100.0;
        }
        QCOMPARE(steps, (QList<double>{0.12, 0.2, 0.12, 0.2, 0.12, 0.2}));
    }

    void dragsMoveAndResize()
    {
        ControllerFixture f;
        launchShown(f, {{"timerHUDCorner", 0}});
        HUDWidgetView* view = f.app->timerHUDView;
        const QPoint start = rowCentre(f, "A");
        const QPoint before = f.app->timerHUDWindow->pos();
        QTest::mousePress(view, Qt::LeftButton, {}, start);
        QTest::mouseMove(view, start + QPoint(40, 30));
        QTest::mouseRelease(view, Qt::LeftButton, {}, start + QPoint(40, 30));
        f.fake.scheduler.advance(1);
        QVERIFY(timer(f, "A").running); // a drag is no click
        QCOMPARE(f.fake.preferences.intValue("timerHUDCorner"), -1);
        QCOMPARE(f.app->timerHUDWindow->pos(), before + QPoint(40, 30)); // stays where it was left
        const QRectF frame = f.app->hudContentFrame();
        QCOMPARE(f.fake.preferences.doubleValue("timerHUDOriginX"), frame.x());
        QCOMPARE(f.fake.preferences.doubleValue("timerHUDOriginY"), frame.y());

        // The grip widens the row; a free HUD keeps its left and top edges.
        f.app->snapTimerHUD(ControllerFixture::sender(0));
        HUDResizeGrip* grip = view->resizeGrip();
        const QPoint corner = grip->rect().center();
        const QRectF anchored = f.app->hudContentFrame();
        QTest::mousePress(grip, Qt::LeftButton, {}, corner);
        QTest::mouseMove(grip, corner + QPoint(30, 0));
        QTest::mouseRelease(grip, Qt::LeftButton, {}, corner + QPoint(30, 0));
        QCOMPARE(f.fake.preferences.doubleValue("timerHUDWidth"), 130.0);
        const QRectF wider = f.app->hudContentFrame();
        QCOMPARE(wider.left(), anchored.left());
        QCOMPARE(wider.bottom(), anchored.bottom()); // y up: the top edge
        QVERIFY(wider.width() > anchored.width());
    }
};

QTEST_MAIN(TestHUD)
#include "tst_hud.moc"
