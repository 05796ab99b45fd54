#include "StatusMenuModel.h"

#include "Colors.h"
#include "SoundCatalogue.h"
#include "TimeTexts.h"
#include "TrayLook.h"

#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <utility>

namespace StatusMenuModel {

namespace {

const QString kEmDash = QStringLiteral(" \u2014 ");

QList<SoundEntry> soundEntries(const QList<SoundCatalogue::Sound>& sounds)
{
    QList<SoundEntry> entries;
    entries.reserve(sounds.size());
    for (const SoundCatalogue::Sound& sound : sounds)
        entries.append({sound.name, sound.title});
    return entries;
}

MenuItem syncServerItem()
{
    return MenuItem::make(QStringLiteral("Sync server\u2026"), QStringLiteral("chooseSyncServer"));
}

Menu makeSyncMenu()
{
    Menu menu;
    menu.add(MenuItem::make(QStringLiteral("Sync now"), QStringLiteral("pullTimers")));
    menu.add(MenuItem::make(QStringLiteral("Pair another phone\u2026"), QStringLiteral("pairWithPhone")));
    menu.add(syncServerItem());
    menu.add(MenuItem::make(QStringLiteral("Stop syncing"), QStringLiteral("unpairPhone")));
    return menu;
}

Menu makeUpdateFrequencyMenu(const QString& current)
{
    static const std::pair<const char*, const char*> choices[] = {
        {"On every launch", "start"}, {"Weekly", "weekly"}, {"Every two weeks", "biweekly"},
        {"Monthly", "monthly"},       {"Never", "never"},
    };
    Menu menu;
    for (const auto& [title, value] : choices) {
        const QString v = QString::fromLatin1(value);
        menu.add(
            checkedItem(QString::fromLatin1(title), QStringLiteral("setUpdateFrequency:"), v == current, v));
    }
    return menu;
}

Menu makeColorMenu(const PellowTimer& timer)
{
    const QVariantMap idOnly{{QStringLiteral("id"), timer.id}};
    Menu menu;
    MenuItem none = checkedItem(QStringLiteral("None (frosted)"), QStringLiteral("setTimerColor:"),
                                !timer.color.has_value(), idOnly);
    none.image = Colors::swatchImage(std::nullopt);
    menu.add(std::move(none));
    menu.addSeparator();
    for (const Colors::PaletteEntry& entry : Colors::colorPalette()) {
        QVariantMap rep = idOnly;
        rep.insert(QStringLiteral("color"), entry.key);
        MenuItem item =
            checkedItem(entry.title, QStringLiteral("setTimerColor:"), timer.color == entry.key, rep);
        item.image = Colors::swatchImage(entry.color);
        menu.add(std::move(item));
    }
    menu.addSeparator();
    const bool custom = timer.color && timer.color->startsWith(QLatin1Char('#'));
    MenuItem any =
        checkedItem(QStringLiteral("Any color\u2026"), QStringLiteral("timerPickColor:"), custom, timer.id);
    any.image = Colors::swatchImage(Colors::timerColor(timer));
    menu.add(std::move(any));
    return menu;
}

QString presetTitle(int minutes)
{
    if (minutes == 1)
        return QStringLiteral("1 minute");
    if (minutes == 60)
        return QStringLiteral("1 hour");
    return QString::number(minutes) + QStringLiteral(" minutes");
}

Menu makeLengthMenu(const PellowTimer& timer)
{
    static const int presets[] = {1, 3, 5, 10, 15, 20, 25, 30, 45, 60};
    Menu menu;
    for (const int minutes : presets) {
        const double secs = minutes * 60.0;
        const QVariantMap rep{{QStringLiteral("id"), timer.id}, {QStringLiteral("secs"), secs}};
        const bool on = timer.isCountdown() && std::fabs(timer.duration - secs) < 0.5;
        menu.add(checkedItem(presetTitle(minutes), QStringLiteral("timerSetLength:"), on, rep));
    }
    menu.addSeparator();
    menu.add(MenuItem::make(QStringLiteral("Custom\u2026"), QStringLiteral("timerCustomLength:"), timer.id));
    menu.add(MenuItem::make(QStringLiteral("End at\u2026"), QStringLiteral("timerEndAt:"), timer.id));
    return menu;
}

} // namespace

MenuItem checkedItem(QString title, QString action, bool checked, QVariant represented)
{
    MenuItem item = MenuItem::make(std::move(title), std::move(action), std::move(represented));
    item.checked = checked;
    item.checkable = true;
    return item;
}

QString timerImage(const PellowTimer& timer)
{
    const auto color = Colors::timerColor(timer);
    return color ? Colors::swatchImage(color) : QString();
}

QString timerDetail(const PellowTimer& timer, const StatusMenuState& state)
{
    return TimeTexts::displayName(timer, state.timers) + kEmDash +
           TimeTexts::detailText(timer, state.now, state.locale);
}

QString runVerb(const PellowTimer& timer)
{
    if (timer.running)
        return QStringLiteral("Pause");
    if (timer.banked > 0 && (!timer.isCountdown() || timer.duration > timer.banked))
        return QStringLiteral("Resume");
    return QStringLiteral("Start");
}

void addTimersSection(Menu& menu, const StatusMenuState& state)
{
    if (state.timers.isEmpty()) {
        menu.add(MenuItem::label(QStringLiteral("No timers running")));
    } else {
        for (const PellowTimer& timer : state.timers) {
            MenuItem item = MenuItem::make(runVerb(timer) + QStringLiteral("  ") + timerDetail(timer, state),
                                           QStringLiteral("timerToggleRun:"), timer.id);
            item.image = timerImage(timer);
            menu.add(std::move(item));
        }
        if (state.timers.size() == 1) {
            const QString& id = state.timers.first().id;
            menu.add(MenuItem::make(QStringLiteral("Start over"), QStringLiteral("timerStartOver:"), id));
            menu.add(MenuItem::make(QStringLiteral("Reset"), QStringLiteral("timerReset:"), id));
        } else {
            const bool anyRunning = std::any_of(state.timers.cbegin(), state.timers.cend(),
                                                [](const PellowTimer& t) { return t.running; });
            if (anyRunning)
                menu.add(MenuItem::make(QStringLiteral("Pause all"), QStringLiteral("pauseAllTimers")));
            else
                menu.add(MenuItem::make(QStringLiteral("Start all"), QStringLiteral("startAllTimers")));
        }
    }
    menu.addSeparator();
    menu.add(MenuItem::make(QStringLiteral("New timer\u2026"), QStringLiteral("newTimer")));
}

void addEachTimerSection(Menu& menu, const StatusMenuState& state)
{
    if (state.timers.isEmpty())
        return;
    menu.addSeparator();
    if (state.timers.size() == 1) {
        for (MenuItem& item : timerOptionItems(state.timers.first(), state.now))
            menu.add(std::move(item));
        return;
    }
    Menu each;
    for (const PellowTimer& timer : state.timers) {
        MenuItem item = submenuItem(timerDetail(timer, state), timerSubmenu(timer, state.now));
        item.image = timerImage(timer);
        each.add(std::move(item));
    }
    menu.add(submenuItem(QStringLiteral("Each timer"), std::move(each)));
}

Menu makeWarnMenu(const QList<double>& warnMarks)
{
    static const int minutes[] = {30, 15, 10, 5, 2, 1};
    Menu menu;
    menu.add(MenuItem::label(QStringLiteral("Flash the HUD and post a notice at:")));
    for (const int m : minutes) {
        const double value = m;
        const QString title =
            m == 1 ? QStringLiteral("1 minute left") : QString::number(m) + QStringLiteral(" minutes left");
        menu.add(checkedItem(title, QStringLiteral("toggleWarnMark:"), warnMarks.contains(value), value));
    }
    return menu;
}

Menu makeRoleSoundMenu(const QString& key, const QString& current, const QList<SoundEntry>& entries,
                       bool withSilent)
{
    const auto choice = [&key](const QString& value) {
        return QVariantMap{{QStringLiteral("key"), key}, {QStringLiteral("value"), value}};
    };
    Menu menu;
    if (withSilent) {
        const bool silent = current.isEmpty() || current == QLatin1String("off");
        menu.add(checkedItem(QStringLiteral("Silent"), QStringLiteral("setSound:"), silent,
                             choice(QStringLiteral("off"))));
        menu.addSeparator();
    }
    for (const SoundEntry& entry : entries)
        menu.add(
            checkedItem(entry.title, QStringLiteral("setSound:"), current == entry.name, choice(entry.name)));
    return menu;
}

Menu makeSoundsMenu(const StatusMenuState& state)
{
    const QList<SoundEntry> finish = soundEntries(SoundCatalogue::finishSounds());
    const QList<SoundEntry> shortList = soundEntries(SoundCatalogue::shortSounds());
    Menu menu;
    menu.add(MenuItem::make(QStringLiteral("All sounds\u2026"), QStringLiteral("openSoundsPanel")));
    menu.addSeparator();
    menu.add(MenuItem::label(QStringLiteral("Picking one plays it")));
    menu.add(submenuItem(QStringLiteral("When it's up"),
                         makeRoleSoundMenu(QStringLiteral("soundFinish"), state.soundFinish, finish, true)));
    menu.add(
        submenuItem(QStringLiteral("Halfway through"),
                    makeRoleSoundMenu(QStringLiteral("soundHalfway"), state.soundHalfway, shortList, true)));
    menu.add(submenuItem(QStringLiteral("Minutes-left warning"),
                         makeRoleSoundMenu(QStringLiteral("soundWarn"), state.soundWarn, shortList, true)));
    MenuItem chirps = checkedItem(QStringLiteral("Count the minutes in chirps"),
                                  QStringLiteral("toggleChirpCount"), state.chirpCount);
    chirps.toolTip = QStringLiteral("Two chirps means two minutes left");
    menu.add(std::move(chirps));
    menu.add(checkedItem(QStringLiteral("Keep ringing until dismissed"), QStringLiteral("toggleFinishRepeat"),
                         state.finishRepeat));
    return menu;
}

QList<MenuItem> timerOptionItems(const PellowTimer& timer, double now)
{
    const bool finished = TimeTexts::isFinished(timer, now);
    QList<MenuItem> items;
    items.append(MenuItem::make(QStringLiteral("Rename\u2026"), QStringLiteral("timerRename:"), timer.id));
    items.append(checkedItem(QStringLiteral("Count up (stopwatch)"), QStringLiteral("timerToggleMode:"),
                             !timer.isCountdown(), timer.id));
    items.append(submenuItem(QStringLiteral("Color"), makeColorMenu(timer)));
    items.append(
        submenuItem(finished ? QStringLiteral("Start again from") : QStringLiteral("Count down from"),
                    makeLengthMenu(timer)));
    items.append(MenuItem::make(finished ? QStringLiteral("Set it again\u2026")
                                         : QStringLiteral("Set it up again\u2026"),
                                QStringLiteral("timerSetupAgain:"), timer.id));
    items.append(
        MenuItem::make(QStringLiteral("Remove this timer"), QStringLiteral("timerRemove:"), timer.id));
    return items;
}

Menu timerSubmenu(const PellowTimer& timer, double now)
{
    Menu menu;
    menu.add(MenuItem::make(runVerb(timer), QStringLiteral("timerToggleRun:"), timer.id));
    menu.add(MenuItem::make(QStringLiteral("Start over"), QStringLiteral("timerStartOver:"), timer.id));
    menu.add(MenuItem::make(QStringLiteral("Reset"), QStringLiteral("timerReset:"), timer.id));
    menu.addSeparator();
    for (MenuItem& item : timerOptionItems(timer, now))
        menu.add(std::move(item));
    return menu;
}

Menu makeTrayClockMenu(const QString& current)
{
    const char* choices[][2] = {
        {"As the panel suits", "auto"}, {"Beside the icon", "label"}, {"In the icon", "icon"}};
    const QString chosen = TrayLook::clockStyleName(TrayLook::clockStyleFrom(current));
    Menu menu;
    for (const auto& [title, value] : choices)
        menu.add(checkedItem(QString::fromLatin1(title), QStringLiteral("setTrayClockStyle:"),
                             chosen == QLatin1String(value), QString::fromLatin1(value)));
    return menu;
}

Menu buildStatusMenu(const StatusMenuState& state, bool forDock)
{
    Menu menu;
    addTimersSection(menu, state);
    addEachTimerSection(menu, state);
    menu.addSeparator();
    menu.add(checkedItem(QStringLiteral("Floating timer HUD"), QStringLiteral("toggleTimerHUD"),
                         state.hudVisible));
    menu.add(checkedItem(QStringLiteral("Show the clock in the panel"),
                         QStringLiteral("toggleTimerInMenuBar"), state.clockInMenuBar));
    menu.add(submenuItem(QStringLiteral("Warn me when\u2026"), makeWarnMenu(state.warnMarks)));
    menu.add(submenuItem(QStringLiteral("Sounds"), makeSoundsMenu(state)));
    if (state.paired)
        menu.add(submenuItem(QStringLiteral("Syncing with phone"), makeSyncMenu()));
    else {
        menu.add(MenuItem::make(QStringLiteral("Sync with phone\u2026"), QStringLiteral("pairWithPhone")));
        menu.add(syncServerItem());
    }
    if (state.screenCount >= 2)
        menu.add(submenuItem(QStringLiteral("Show the HUD on"), state.hudScreenMenu));
    menu.addSeparator();
    menu.add(
        checkedItem(QStringLiteral("Open at login"), QStringLiteral("toggleOpenAtLogin"), state.openAtLogin));
    menu.add(submenuItem(QStringLiteral("Clock in the panel"), makeTrayClockMenu(state.trayClockStyle)));
    if (state.updatesOffered) {
        menu.add(
            MenuItem::make(QStringLiteral("Check for Updates\u2026"), QStringLiteral("checkForUpdates")));
        menu.add(submenuItem(QStringLiteral("Check automatically"),
                             makeUpdateFrequencyMenu(state.updateFrequency)));
    }
    if (!forDock) {
        MenuItem quit = MenuItem::make(QStringLiteral("Quit Pellow"), QStringLiteral("quit"));
        quit.keyEquivalent = QStringLiteral("q");
        menu.add(std::move(quit));
    }
    return menu;
}

} // namespace StatusMenuModel
