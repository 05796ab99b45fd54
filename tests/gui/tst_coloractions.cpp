#include "ControllerFixture.h"
#include "core/Colors.h"

#include <QColorDialog>
#include <QTest>

// The timer submenu's colour choices and the colour dialog's hand-off.
class TestColorActions : public QObject
{
    Q_OBJECT

private slots:
    // From the submenu, a palette key is stored and a plain id (no dictionary) changes nothing; a
    // dialog pick goes to its timer until another target is chosen; no colour clears it.
    void picksFollowTheirTarget()
    {
        ControllerFixture f;
        f.launch({countdown("A", 60, 0, false)});
        const auto fromMenu = [&f](const QVariant& represented) {
            f.app->setTimerColor(ControllerFixture::sender(represented));
            return f.storedTimers()[0].color;
        };
        QCOMPARE(fromMenu(QVariantMap{{"id", "A"}, {"color", "teal"}}), std::optional<QString>("teal"));
        QCOMPARE(fromMenu("A"), std::optional<QString>("teal"));
        f.app->timerPickColor(ControllerFixture::sender("A"));
        QVERIFY(f.app->colorPanel);
        QCOMPARE(f.app->colorPanel->currentColor().toRgb(), QColor(28, 140, 148));

        f.app->colorPanelPicked(QColor::fromRgbF(0.5, 0.5, 0.5)); // half up
        QCOMPARE(f.storedTimers()[0].color, std::optional<QString>("#808080"));
        QCOMPARE(Colors::hexColorString({126.49 / 255, 0, 1.51 / 255}), "#7E0002"); // finer than a pick
        QColor wide = QColor::fromRgbF(1.25f, -0.2f, 0.5f).toExtendedRgb();         // out of gamut: clamped
        wide.setRgbF(1.25f, -0.2f, 0.5f);
        f.app->colorPanelPicked(wide);
        QCOMPARE(f.app->timers[0].color, std::optional<QString>("#FF0080"));

        f.app->newTimerColorPicked(999); // the new-timer window's "Any color…"
        f.app->colorPanelPicked(QColor(0, 0, 255));
        QCOMPARE(f.app->timers[0].color, std::optional<QString>("#FF0080"));
        QCOMPARE(f.app->newTimerColor, std::optional<QString>("#0000FF"));
        QCOMPARE(fromMenu(QVariantMap{{"id", "A"}}), std::nullopt);

        // The new-timer window's swatches by tag: -1 none, past the palette keeps the choice.
        const std::pair<int, std::optional<QString>> tags[] = {
            {0, "red"}, {10, "red"}, {9, "graphite"}, {-1, std::nullopt}};
        for (const auto& [tag, expected] : tags) {
            f.app->newTimerColorPicked(tag);
            QCOMPARE(f.app->newTimerColor, expected);
        }
    }
};

QTEST_MAIN(TestColorActions)
#include "tst_coloractions.moc"
