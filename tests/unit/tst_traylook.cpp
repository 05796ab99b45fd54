#include "core/DBusMenuTree.h"
#include "core/StatusTitle.h"
#include "core/TrayLook.h"
#include "platform/MenuRenderer.h"

#include <QMenu>
#include <QTest>

#include <memory>

namespace {

// A label, a separator, a swatch, a checked item with a tip, a submenu and "Quit Pellow".
Menu sampleMenu()
{
    Menu sub;
    sub.add(MenuItem::make("Rename\u2026", "timerRename:", QStringLiteral("B")));
    MenuItem on = MenuItem::make("Tea_time & cake", "toggleChirpCount");
    on.checked = true;
    on.toolTip = QStringLiteral("Two chirps means two minutes left");
    MenuItem swatch = MenuItem::make("Swatch", "timerToggleRun:", QStringLiteral("A"));
    swatch.image = QStringLiteral("swatch:#1C8C94");
    MenuItem quit = MenuItem::make("Quit Pellow", "quit");
    quit.keyEquivalent = QStringLiteral("q");
    Menu menu;
    menu.add(MenuItem::label("No timers running")).addSeparator().add(swatch).add(on);
    menu.add(submenuItem("Each timer", sub)).add(quit);
    return menu;
}

} // namespace

// What the tray item shows on each desktop, and the menu as the dbusmenu protocol and QMenu see it.
class TestTrayLook : public QObject
{
    Q_OBJECT

private slots:
    void clockShapes_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("guide");
        QTest::addColumn<QString>("compact");
        const char* rows[][4] = {{"minutes", " 04:59", "00:00", "5"},
                                 {"last second", " 0:01", "0:00", "1"},
                                 {"99 minutes", " 1:39:00", "0:00:00", "99"},
                                 {"100 minutes, in whole hours", " 1:40:00", "0:00:00", "1h"},
                                 {"days", " 120:00:00", "000:00:00", "99+"},
                                 {"no clock", "", "", ""}};
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]);
    }
    void clockShapes()
    {
        QFETCH(QString, title);
        QTEST(StatusTitle::labelGuide(title), "guide");
        QTEST(StatusTitle::compactClock(title), "compact");
    }

    void glyphFollowsThePanel_data()
    {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<bool>("paletteDark");
        QTest::addColumn<int>("glyph");
        QTest::addColumn<QString>("iconName");
        QTest::addColumn<bool>("clockInIcon");
        using TrayLook::Glyph;
        QTest::newRow("GNOME, light app theme")
            << "ubuntu:GNOME" << false << int(Glyph::Light) << "" << false;
        QTest::newRow("KDE dark") << "KDE" << true << int(Glyph::Light) << "" << true;
        QTest::newRow("KDE light") << "KDE" << false << int(Glyph::Dark) << "" << true;
        QTest::newRow("XFCE") << "XFCE" << true << int(Glyph::HostTinted) << "pellow-timer-symbolic" << false;
        QTest::newRow("unknown") << "" << false << int(Glyph::HostTinted) << "pellow-timer-symbolic" << false;
    }
    void glyphFollowsThePanel()
    {
        QFETCH(QString, desktop);
        QFETCH(bool, paletteDark);
        QFETCH(bool, clockInIcon);
        const TrayLook::Glyph chosen = TrayLook::glyphFor(desktop, paletteDark);
        QTEST(int(chosen), "glyph");
        QCOMPARE(TrayLook::drawsClockInIcon(desktop), clockInIcon);
        QTEST(TrayLook::themeIconName(TrayLook::Symbol::Timer, chosen, clockInIcon), "iconName");
    }

    void menuTree()
    {
        const DBusMenuTree first(sampleMenu(), 1);
        QCOMPARE(first.children(0), (QList<int>{1, 2, 3, 4, 5, 7}));
        QCOMPARE(first.children(5), QList<int>{6});
        const auto png = [](const QString& image) { return image.toUtf8(); };
        QCOMPARE(first.properties(4, {}, png), (QVariantMap{{"type", "standard"},
                                                            {"label", "Tea__time & cake"},
                                                            {"enabled", true},
                                                            {"visible", true},
                                                            {"toggle-type", "checkmark"},
                                                            {"toggle-state", 1}}));
        QCOMPARE(first.properties(1, {"enabled"}, png), (QVariantMap{{"enabled", false}}));
        QCOMPARE(first.properties(2, {"type", "label"}, png), (QVariantMap{{"type", "separator"}}));
        QCOMPARE(first.properties(5, {"children-display"}, png),
                 (QVariantMap{{"children-display", "submenu"}}));
        QCOMPARE(first.properties(3, {"icon-data"}, png),
                 (QVariantMap{{"icon-data", QByteArray("swatch:#1C8C94")}}));
        QCOMPARE(first.item(6)->action, QStringLiteral("timerRename:"));

        // The next revision never reuses an id, so an event for an old one finds nothing.
        const DBusMenuTree second(sampleMenu(), first.nextId());
        QCOMPARE(second.children(0).first(), 8);
        QVERIFY(!second.contains(7) && !second.item(1));
    }

    // The one renderer from menu models to QMenu: structure, states and the item handed back.
    void rendersAndDispatches()
    {
        QList<MenuItem> sent;
        std::unique_ptr<QMenu> qmenu(
            MenuRenderer::render(sampleMenu(), [&](const MenuItem& i) { sent.append(i); }));
        const QList<QAction*> actions = qmenu->actions();
        QCOMPARE(actions.size(), 6);
        QVERIFY(!actions[0]->isEnabled());
        QVERIFY(actions[1]->isSeparator());
        QVERIFY(!actions[2]->icon().isNull());
        QCOMPARE(actions[3]->text(), QStringLiteral("Tea_time && cake")); // shown as typed, no mnemonic
        QVERIFY(actions[3]->isChecked());
        QCOMPARE(actions[3]->toolTip(), QStringLiteral("Two chirps means two minutes left"));
        QVERIFY(actions[4]->menu());
        QCOMPARE(actions[5]->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

        actions[2]->trigger();
        actions[4]->menu()->actions().first()->trigger();
        actions[0]->trigger(); // a label without action sends nothing
        QCOMPARE(sent.size(), 2);
        QCOMPARE(menuTimerID(sent[0]), QStringLiteral("A"));
        QCOMPARE(sent[1].action, QStringLiteral("timerRename:"));
        QCOMPARE(menuTimerID(sent[1]), QStringLiteral("B"));

        // Refilled in place: the same menu object, only the new items.
        MenuRenderer::refill(qmenu.get(), Menu().add(MenuItem::make("Quit Pellow", "quit")),
                             [](const MenuItem&) {});
        QCOMPARE(qmenu->actions().size(), 1);
    }
};

QTEST_MAIN(TestTrayLook)
#include "tst_traylook.moc"
