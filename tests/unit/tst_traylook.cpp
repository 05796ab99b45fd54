#include "core/DBusMenuTree.h"
#include "core/StatusTitle.h"
#include "core/TrayLook.h"

#include <QTest>

// What the tray item shows on each desktop, and the menu as the dbusmenu protocol sees it.
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
        Menu sub;
        sub.add(MenuItem::make("Rename\u2026", "timerRename:", QStringLiteral("A")));
        MenuItem on = MenuItem::make("Tea_time & cake", "toggleChirpCount");
        on.checked = true;
        MenuItem swatch = MenuItem::make("Swatch", "timerToggleRun:", QStringLiteral("A"));
        swatch.image = QStringLiteral("swatch:#1C8C94");
        Menu menu;
        menu.add(on).addSeparator().add(submenuItem("Each timer", sub)).add(swatch);

        const DBusMenuTree first(menu, 1);
        QCOMPARE(first.children(0), (QList<int>{1, 2, 3, 5}));
        QCOMPARE(first.children(3), QList<int>{4});
        const auto png = [](const QString& image) { return image.toUtf8(); };
        QCOMPARE(first.properties(1, {}, png), (QVariantMap{{"type", "standard"},
                                                            {"label", "Tea__time & cake"},
                                                            {"enabled", true},
                                                            {"visible", true},
                                                            {"toggle-type", "checkmark"},
                                                            {"toggle-state", 1}}));
        QCOMPARE(first.properties(2, {"type", "label"}, png), (QVariantMap{{"type", "separator"}}));
        QCOMPARE(first.properties(3, {"children-display"}, png),
                 (QVariantMap{{"children-display", "submenu"}}));
        QCOMPARE(first.properties(5, {"icon-data"}, png),
                 (QVariantMap{{"icon-data", QByteArray("swatch:#1C8C94")}}));
        QCOMPARE(first.item(4)->action, QStringLiteral("timerRename:"));

        // The next revision never reuses an id, so an event for an old one finds nothing.
        const DBusMenuTree second(menu, first.nextId());
        QCOMPARE(second.children(0).first(), 6);
        QVERIFY(!second.contains(5) && !second.item(1));
    }
};

QTEST_MAIN(TestTrayLook)
#include "tst_traylook.moc"
