#include "platform/MenuRenderer.h"

#include <QMenu>
#include <QTest>

// The one renderer from menu models to QMenu: structure, states and the item handed back.
class TestMenuRenderer : public QObject
{
    Q_OBJECT

private slots:
    void rendersAndDispatches()
    {
        Menu sub;
        sub.add(MenuItem::make("Inner", "timerReset:", QStringLiteral("B")));
        MenuItem checked = MenuItem::make("Checked", "toggleChirpCount");
        checked.checked = true;
        checked.toolTip = QStringLiteral("Two chirps means two minutes left");
        MenuItem swatch = MenuItem::make("Tea & Cake", "timerToggleRun:", QStringLiteral("A"));
        swatch.image = QStringLiteral("swatch:#1C8C94");
        MenuItem quit = MenuItem::make("Quit Pellow", "quit");
        quit.keyEquivalent = QStringLiteral("q");
        Menu menu;
        menu.add(MenuItem::label("No timers running"))
            .addSeparator()
            .add(swatch)
            .add(checked)
            .add(submenuItem("Each timer", sub))
            .add(quit);

        QList<MenuItem> sent;
        std::unique_ptr<QMenu> qmenu(MenuRenderer::render(menu, [&](const MenuItem& i) { sent.append(i); }));
        const QList<QAction*> actions = qmenu->actions();
        QCOMPARE(actions.size(), 6);
        QVERIFY(!actions[0]->isEnabled());
        QVERIFY(actions[1]->isSeparator());
        QVERIFY(!actions[2]->icon().isNull());
        QCOMPARE(actions[2]->text(), QStringLiteral("Tea && Cake")); // shown as typed, no mnemonic
        QVERIFY(actions[3]->isChecked());
        QCOMPARE(actions[3]->toolTip(), checked.toolTip);
        QVERIFY(actions[4]->menu());
        QCOMPARE(actions[5]->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

        actions[2]->trigger();
        actions[4]->menu()->actions().first()->trigger();
        actions[0]->trigger(); // a label without action sends nothing
        QCOMPARE(sent.size(), 2);
        QCOMPARE(menuTimerID(sent[0]), QStringLiteral("A"));
        QCOMPARE(sent[1].action, QStringLiteral("timerReset:"));
        QCOMPARE(menuTimerID(sent[1]), QStringLiteral("B"));

        // Refilled in place: the same menu object, only the new items.
        MenuRenderer::refill(qmenu.get(), Menu().add(MenuItem::make("Quit Pellow", "quit")),
                             [](const MenuItem&) {});
        QCOMPARE(qmenu->actions().size(), 1);
    }
};

QTEST_MAIN(TestMenuRenderer)
#include "tst_menurenderer.moc"
