#include "TimerFactory.h"
#include "core/DBusMenuTree.h"
#include "core/StatusMenuModel.h"
#include "core/StatusTitle.h"
#include "core/TrayLook.h"
#include "platform/MenuRenderer.h"
#include "platform/TrayIcons.h"

#include <QDateTime>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include <memory>

using namespace StatusMenuModel;

namespace {

// 12:00 on the wall clock of the zone the test runs in (ctest runs it in several).
const double kNow = double(QDateTime(QDate(2027, 1, 15), QTime(12, 0)).toSecsSinceEpoch());

// A countdown (or a stopwatch) started or paused now.
PellowTimer timer(const QString& id, double duration, double banked = 0, bool running = false)
{
    return countdown(id, duration, kNow, running, banked);
}

StatusMenuState stateWith(TimerList timers)
{
    StatusMenuState s;
    s.timers = std::move(timers);
    s.now = kNow;
    s.locale = QLocale::c();
    return s;
}

// "a|b|c" as a list; keeps the expected menus on one line each.
QStringList L(const char* items)
{
    return *items ? QString::fromUtf8(items).split('|') : QStringList();
}

const MenuItem& item(const Menu& menu, const QString& title)
{
    static const MenuItem missing;
    auto it = std::find_if(menu.items.begin(), menu.items.end(),
                           [&](const MenuItem& i) { return i.title == title; });
    return it == menu.items.end() ? missing : *it;
}

const QStringList kTail =
    L("-|Floating timer HUD|Show the clock in the panel|Warn me when\u2026|Sounds|"
      "Sync with phone\u2026|Sync server\u2026|-|Open at login|Clock in the panel|Check for "
      "Updates\u2026|Check automatically|Quit Pellow");
const QStringList kOptions =
    L("Rename\u2026|Count up (stopwatch)|Color|Count down from|Set it up again\u2026|Remove this timer");

// A label, a separator, a swatch, a checked item, a submenu and "Quit Pellow".
Menu sampleMenu()
{
    Menu sub;
    sub.add(MenuItem::make("Rename\u2026", "timerRename:", QStringLiteral("B")));
    MenuItem on = MenuItem::make("Tea_time & cake", "toggleChirpCount");
    on.checked = true;
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

// The tray menu built from the state, the tray look per desktop, and menus as dbusmenu and QMenu.
class StatusMenuTest : public QObject
{
    Q_OBJECT
private slots:
    void structure_data()
    {
        QTest::addColumn<TimerList>("timers");
        QTest::addColumn<QStringList>("head");
        QTest::newRow("no timers") << TimerList{} << L("No timers running|-|New timer\u2026");
        PellowTimer tea = countUp("B", kNow - 60, true, 5);
        tea.label = QStringLiteral("  Tea ");
        QTest::newRow("running and paused") << TimerList{tea, timer("C", 300, 100)}
                                            << L("Pause  Tea \u2014 01:05 \u00B7 counting up|Resume  Timer 2 "
                                                 "\u2014 03:20 \u00B7 paused|Pause all|-|"
                                                 "New timer\u2026|-|Each timer");
        // Ends 12:10:59: shown without seconds, though the C locale's short format has them.
        QTest::newRow("running countdown, its end on the wall clock")
            << TimerList{timer("F", 659, 0, true)}
            << L("Pause  Timer 1 \u2014 10:59 \u00B7 ends 12:10|Start over|Reset|-|New timer\u2026|-") +
                   kOptions;
        QTest::newRow("none running")
            << TimerList{timer("D", 60, 60), timer("E", 60)}
            << L("Start  Timer 1 \u2014 finished|Start  Timer 2 \u2014 01:00 \u00B7 ready|"
                 "Start all|-|New timer\u2026|-|Each timer");
    }
    void structure()
    {
        QFETCH(TimerList, timers);
        QFETCH(QStringList, head);
        const StatusMenuState state = stateWith(timers);
        const Menu menu = buildStatusMenu(state, false);
        QCOMPARE(titles(menu), head + kTail);

        QCOMPARE(menu.items[0].enabled, !timers.isEmpty()); // "No timers running" is a label

        for (const MenuItem& i : menu.items)
            if (i.action == QLatin1String("timerToggleRun:") || i.title == QLatin1String("Reset"))
                QVERIFY(!menuTimerID(i).isEmpty());
        if (timers.size() >= 2) {
            const Menu& each = *item(menu, "Each timer").submenu;
            QCOMPARE(each.items.size(), timers.size());
            QCOMPARE(each.items[0].title, head[0].section(QStringLiteral("  "), 1));
            QCOMPARE(each.items[1].submenu->items.value(0).title, runVerb(timers[1]));
        }
    }

    void optionItems_data()
    {
        QTest::addColumn<PellowTimer>("timer");
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QStringList>("titles"); // length item, set-up item
        QTest::addColumn<QStringList>("presetChecked");
        const QStringList fresh = L("Count down from|Set it up again\u2026");
        const QStringList again = L("Start again from|Set it again\u2026");
        QTest::newRow("1499.7 s is 25 minutes")
            << timer("A", 1499.7, 0, true) << "Pause" << fresh << L("25 minutes");
        QTest::newRow("one hour, half used") << timer("A", 3600, 1800) << "Resume" << fresh << L("1 hour");
        PellowTimer watch = countUp("A", kNow, false, 100);
        watch.duration = 1500;
        QTest::newRow("paused stopwatch of 25 minutes") << watch << "Resume" << fresh << L("");
        PellowTimer over = timer("A", 60, 30, true);
        over.startedAt = kNow - 30;
        QTest::newRow("ran out while running") << over << "Pause" << again << L("1 minute");
        QTest::newRow("used up, paused") << timer("A", 180, 180) << "Start" << again << L("3 minutes");
        QTest::newRow("no length") << timer("A", 0) << "Start" << again << L("");
    }
    void optionItems()
    {
        QFETCH(PellowTimer, timer);
        QTEST(timerSubmenu(timer, kNow).items.first().title, "verb");
        const QList<MenuItem> items = timerOptionItems(timer, kNow);
        QTEST(QStringList({items[3].title, items[4].title}), "titles");
        QTEST(titles(*items[3].submenu, true), "presetChecked");
        QCOMPARE(menuTimerID(items[3].submenu->items[1]), timer.id);
    }

    // The timer's stored colour read (palette keys as they are spelled, "#" and six hex digits), checked
    // in its submenu, and as the image of its row in the menu and under "Each timer".
    void colorMenu_data()
    {
        QTest::addColumn<QVariant>("color");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QString>("anyImage");
        QTest::addColumn<QString>("rowImage");
        const QString teal = QStringLiteral("swatch:#1C8C94"), neutral = QStringLiteral("swatch:neutral");
        QTest::newRow("none") << QVariant() << L("None (frosted)") << neutral << "";
        QTest::newRow("palette") << QVariant("teal") << L("Teal") << teal << teal;
        QTest::newRow("custom") << QVariant("#1c8c94") << L("Any color\u2026") << teal << teal;
        QTest::newRow("unknown key") << QVariant("Teal") << L("") << neutral << "";
        QTest::newRow("hex after junk") << QVariant("#zz1C8C94") << L("Any color\u2026") << neutral << "";
    }
    void colorMenu()
    {
        QFETCH(QVariant, color);
        PellowTimer t = timer("A", 60);
        if (color.isValid())
            t.color = color.toString();
        const QList<MenuItem> items = timerOptionItems(t, kNow);
        const Menu& menu = *items[2].submenu;
        QTEST(titles(menu, true), "checked");
        QTEST(menu.items.last().image, "anyImage");
        QCOMPARE(menu.items[0].representedObject, QVariant(QVariantMap{{"id", "A"}}));

        QTEST(buildStatusMenu(stateWith({t}), false).items[0].image, "rowImage");
        const Menu two = buildStatusMenu(stateWith({t, timer("B", 60)}), false);
        QTEST(item(two, "Each timer").submenu->items[0].image, "rowImage");
    }

    void settings_data()
    {
        QTest::addColumn<int>("screens");
        QTest::addColumn<bool>("paired");
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QStringList>("frequencyChecked");
        QTest::addColumn<QList<double>>("warnMarks");
        QTest::addColumn<QStringList>("warnChecked");
        QTest::newRow("one screen, nothing known stored")
            << 1 << false << "daily" << L("") << QList<double>{7, 2.5} << L("");
        QTest::newRow("two screens, paired") << 2 << true << "start" << L("On every launch")
                                             << QList<double>{1, 30} << L("30 minutes left|1 minute left");
    }
    void settings()
    {
        QFETCH(int, screens);
        QFETCH(bool, paired);
        QFETCH(QString, frequency);
        QFETCH(QList<double>, warnMarks);
        StatusMenuState s = stateWith({});
        s.warnMarks = warnMarks;
        s.screenCount = screens;
        s.paired = paired;
        s.updateFrequency = frequency;
        s.hudScreenMenu.add(MenuItem::make(QStringLiteral("Main screen")));
        const Menu menu = buildStatusMenu(s, false);

        const MenuItem& hudOn = item(menu, "Show the HUD on");
        QCOMPARE(hudOn.submenu ? titles(*hudOn.submenu) : QStringList(),
                 L(screens >= 2 ? "Main screen" : ""));

        const MenuItem& sync = item(menu, paired ? "Syncing with phone" : "Sync with phone\u2026");
        QCOMPARE(sync.action, paired ? QString() : QStringLiteral("pairWithPhone"));
        QCOMPARE(sync.submenu ? titles(*sync.submenu).last() : QString(), paired ? "Stop syncing" : "");

        QTEST(titles(*item(menu, "Check automatically").submenu, true), "frequencyChecked");
        QTEST(titles(*item(menu, "Warn me when\u2026").submenu, true), "warnChecked");
    }

    // A role's submenu checks the stored sound if it is one of its own; none stored or "off" is Silent.
    void roleSounds_data()
    {
        QTest::addColumn<QString>("stored");      // under all three roles
        QTest::addColumn<QStringList>("checked"); // finish, halfway, warn
        QTest::newRow("chime") << "chime" << L("Chime||");
        QTest::newRow("chirp") << "chirp" << L("|Chirp|Chirp");
        QTest::newRow("off") << "off" << L("Silent|Silent|Silent");
        QTest::newRow("none") << "" << L("Silent|Silent|Silent");
    }
    void roleSounds()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, checked);
        StatusMenuState s = stateWith({});
        s.soundFinish = s.soundHalfway = s.soundWarn = stored;
        const Menu sounds = makeSoundsMenu(s);
        for (int role = 0; role < 3; ++role) {
            const Menu& menu = *sounds.items[3 + role].submenu;
            QCOMPARE(titles(menu, true).join(""), checked[role]);
            const QString key = L("soundFinish|soundHalfway|soundWarn")[role];
            QCOMPARE(menu.items[0].representedObject, QVariant(QVariantMap{{"key", key}, {"value", "off"}}));
        }
    }

    // The clock drawn into the icon: minutes rounded up, with a unit under ten; the last minute in
    // seconds; from 100 minutes on, whole hours.
    void compactClock_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("compact");
        const std::pair<const char*, const char*> rows[] = {
            {" 08:30", "9m"},   {" 09:41", "10"},   {" 00:59", "59s"}, {" 01:01", "2m"},
            {" 1:39:00", "99"}, {" 1:40:00", "1h"}, {"", ""}};
        for (const auto& [title, compact] : rows)
            QTest::newRow(*title ? title : "no clock") << QString(title) << QString(compact);
    }
    void compactClock()
    {
        QFETCH(QString, title);
        QTEST(StatusTitle::compactClock(title), "compact");
    }

    // Per panel, told by the watcher's program: where the clock goes and which icon is named.
    void trayFollowsThePanel_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("place"); // "label", "icon" or "both"
        QTest::addColumn<QString>("iconName");
        const QString ayatana = QStringLiteral(
            "/usr/libexec/ayatana-indicator-application/ayatana-indicator-application-service");
        const QString wrapper = QStringLiteral("/usr/lib/x86_64-linux-gnu/xfce4/panel/wrapper-2.0");
        const QStringList sntray{"6", "sntray", "Status Tray Plugin"}, weather{"7", "weather"};
        const auto row = [](const char* name, const QString& program, const QStringList& arguments,
                            const char* desktop, const char* style, const char* place, const char* icon) {
            QTest::newRow(name) << program << arguments << desktop << style << place << icon;
        };
        row("GNOME Shell", "/usr/bin/gnome-shell", {}, "", "auto", "label", "pellow-timer-symbolic");
        row("Ayatana service", ayatana, {}, "XFCE", "auto", "label", "pellow-timer-symbolic");
        row("Plasma: drawn in the palette", "kded5", {}, "", "auto", "icon", "");
        row("XFCE sntray", wrapper, sntray, "", "auto", "icon", "pellow-timer");
        row("MATE's notification area", "/usr/lib/mate-panel/notification-area-applet", {}, "MATE", "auto",
            "icon", "pellow-timer");
        row("another XFCE plugin", wrapper, weather, "", "auto", "both", "pellow-timer");
        row("unknown, on KDE", "", {}, "KDE", "auto", "icon", "");
        row("unknown, chosen label", "stalonetray", {}, "", "label", "label", "pellow-timer");
        row("GNOME, chosen icon", "gnome-shell", {}, "", "icon", "icon", "pellow-timer-symbolic");
        row("nonsense style", "gnome-shell", {}, "", "sideways", "label", "pellow-timer-symbolic");
    }
    void trayFollowsThePanel()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, desktop);
        QFETCH(QString, style);
        const TrayLook::Host host = TrayLook::hostFor(program, arguments, desktop);
        const TrayLook::ClockPlace place = TrayLook::clockPlace(host, TrayLook::clockStyleFrom(style));
        QTEST(QString(place.label && place.icon ? "both" : place.label ? "label" : "icon"), "place");
        QTEST(TrayLook::iconName(TrayLook::Symbol::Timer, host.tint, false), "iconName");
        QCOMPARE(host.menuOnFailedActivate, host.tint == TrayLook::Tint::Palette); // Plasma's
    }

    // A menu the item opens itself: at the host's point on a panel by the pointer, else at the pointer.
    void menuAnchor_data()
    {
        QTest::addColumn<QPoint>("given");
        QTest::addColumn<QPoint>("expected");
        const QPoint pointer(1880, 10);
        QTest::newRow("top panel, by the pointer") << QPoint(1870, 28) << QPoint(1870, 28);
        QTest::newRow("bottom edge, far from the pointer") << QPoint(1900, 1070) << pointer;
        QTest::newRow("by the pointer, off the edges") << QPoint(1800, 90) << pointer;
        QTest::newRow("by the pointer, off every screen") << QPoint(1880, -20) << pointer;
    }
    void menuAnchor()
    {
        QFETCH(QPoint, given);
        const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
        QTEST(TrayLook::menuAnchor(given, QPoint(1880, 10), screens), "expected");
    }

    // What tray_hosts_e2e.py's reference client does not read: mnemonics escaped, labels disabled,
    // separators without a label.
    void menuTree()
    {
        const DBusMenuTree tree(sampleMenu(), 1);
        const auto png = [](const QString& image) { return image.toUtf8(); };
        QCOMPARE(tree.properties(4, {"label"}, png), (QVariantMap{{"label", "Tea__time & cake"}}));
        QCOMPARE(tree.properties(1, {"enabled"}, png), (QVariantMap{{"enabled", false}}));
        QCOMPARE(tree.properties(2, {"type", "label"}, png), (QVariantMap{{"type", "separator"}}));
    }

    // The clock drawn into the icon at panel sizes: dark digits filling most of the light face,
    // inside its rim, different for each clock.
    void clockInTheIcon_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {16, 22, 24})
            QTest::addRow("%d px", size) << size;
    }
    void clockInTheIcon()
    {
        QFETCH(int, size);
        QSet<QByteArray> distinct;
        const QImage face = TrayIcons::image(TrayItem::Icon::Timer, QColor(), size, QStringLiteral(" "));
        for (const char* digits : {"9m", "41s", "25", "2h"}) {
            const QImage image = TrayIcons::image(TrayItem::Icon::Timer, QColor(), size, digits);
            const int inset = size / 16 + 1; // clear of the rim
            QRect ink;                       // of the digits alone
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    if (qGray(image.pixel(x, y)) < 110 && qGray(face.pixel(x, y)) >= 110)
                        ink |= QRect(x, y, 1, 1);
            QVERIFY2(ink.height() >= size * 0.4, digits);
            QVERIFY2(ink.left() >= inset && ink.right() <= size - 1 - inset, digits);
            distinct.insert(
                QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), 4);
    }

    // The full-colour icons, which the XEmbed tray and panels that tint nothing show, read on a
    // dark (trayer's 0x202020) and a light tray alike, and stay clear of the corners (the
    // renderer knows no masks: a masked shape came out as a solid square).
    void iconsReadOnLightAndDark_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QColor>("tray");
        for (const auto& [name, kind] :
             {std::pair{"timer", TrayItem::Icon::Timer}, {"checkmark", TrayItem::Icon::Checkmark}})
            for (const QColor& tray : {QColor(0x20, 0x20, 0x20), QColor(0xf0, 0xf0, 0xf0)})
                QTest::addRow("%s on %s", name, qPrintable(tray.name())) << int(kind) << tray;
    }
    void iconsReadOnLightAndDark()
    {
        QFETCH(int, kind);
        QFETCH(QColor, tray);
        Q_INIT_RESOURCE(pellow);
        const QImage icon = TrayIcons::image(TrayItem::Icon(kind), QColor(), 22);
        QCOMPARE(qAlpha(icon.pixel(0, 0)) + qAlpha(icon.pixel(21, 21)), 0);
        QImage shown(icon.size(), QImage::Format_RGB32);
        shown.fill(tray);
        QPainter(&shown).drawImage(0, 0, icon);
        const auto luminance = [](QRgb c) {
            return 0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c);
        };
        int clear = 0; // pixels far from the tray's own brightness
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                clear += std::abs(luminance(shown.pixel(x, y)) - luminance(tray.rgb())) > 110;
        QVERIFY2(clear >= 60, qPrintable(QString::number(clear)));
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

QTEST_MAIN(StatusMenuTest)
#include "tst_statusmenu.moc"
