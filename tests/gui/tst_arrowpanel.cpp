#include "hud/HUDArrowPanel.h"

#include <QKeyEvent>
#include <QTest>

// The floating panel's keys: arrows and Escape to their callbacks, swallowed without them,
// every other key to the base class. Escape typed in a field of a panel is tst_prompt's.
class TestArrowPanel : public QObject
{
    Q_OBJECT

private slots:
    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("arrow");
        QTest::addColumn<int>("escapes");
        QTest::newRow("left") << int(Qt::Key_Left) << 123 << 0;
        QTest::newRow("right") << int(Qt::Key_Right) << 124 << 0;
        QTest::newRow("down") << int(Qt::Key_Down) << 125 << 0;
        QTest::newRow("up") << int(Qt::Key_Up) << 126 << 0;
        QTest::newRow("escape") << int(Qt::Key_Escape) << -1 << 1;
        QTest::newRow("return goes to the base class") << int(Qt::Key_Return) << -1 << 0;
    }
    void keys()
    {
        QFETCH(int, key);
        HUDArrowPanel panel;
        int arrow = -1;
        int escapes = 0;
        panel.onArrow = [&](quint16 code) { arrow = code; };
        panel.onEscape = [&] { ++escapes; };
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&panel, &press);
        QTEST(arrow, "arrow");
        QTEST(escapes, "escapes");
        QCOMPARE(press.isAccepted(), HUDArrowPanel::keyCode(key).has_value());
        HUDArrowPanel bare; // without callbacks its keys are swallowed all the same
        QKeyEvent again(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&bare, &again);
        QCOMPARE(again.isAccepted(), HUDArrowPanel::keyCode(key).has_value());
    }
};

QTEST_MAIN(TestArrowPanel)
#include "tst_arrowpanel.moc"
