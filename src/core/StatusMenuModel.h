#pragma once

#include "MenuModel.h"
#include "PellowTimer.h"

#include <QLocale>
#include <QString>

// Everything the status menu shows, read at build time.
struct StatusMenuState
{
    TimerList timers;
    double now = 0;
    QLocale locale = QLocale::system();
    bool hudVisible = false;
    bool clockInMenuBar = false;
    bool chirpCount = false;
    bool finishRepeat = false;
    bool paired = false;
    QList<double> warnMarks;
    // The texts stored under the three sound roles (empty when none is stored).
    QString soundFinish;
    QString soundHalfway;
    QString soundWarn;
    QString updateFrequency;
    // Whether this build checks for updates; without it the update items are left out.
    bool updatesOffered = true;
    bool openAtLogin = false;
    // "auto", "label" or "icon": where the tray shows the clock.
    QString trayClockStyle;
    int screenCount = 1;
    // The "Show the HUD on" submenu, built by the HUD placement code.
    Menu hudScreenMenu;
};

// Builders of the status and Dock menus and of their parts; pure functions of the state.
namespace StatusMenuModel {

Menu buildStatusMenu(const StatusMenuState& state, bool forDock);
void addTimersSection(Menu& menu, const StatusMenuState& state);
void addEachTimerSection(Menu& menu, const StatusMenuState& state);
Menu makeWarnMenu(const QList<double>& warnMarks);
Menu makeSoundsMenu(const StatusMenuState& state);
// "Clock in the panel": beside the icon, in it, or as the panel suits.
Menu makeTrayClockMenu(const QString& current);
struct SoundEntry
{
    QString name;
    QString title;
};
Menu makeRoleSoundMenu(const QString& key, const QString& current, const QList<SoundEntry>& entries,
                       bool withSilent);
Menu timerSubmenu(const PellowTimer& timer, double now);
QList<MenuItem> timerOptionItems(const PellowTimer& timer, double now);
// "Pause", "Resume" or "Start".
QString runVerb(const PellowTimer& timer);
MenuItem checkedItem(QString title, QString action, bool checked, QVariant represented = {});
// The swatch of a timer's colour when it resolves; no image otherwise.
QString timerImage(const PellowTimer& timer);
// The timer's name, " — " and its detail text.
QString timerDetail(const PellowTimer& timer, const StatusMenuState& state);

} // namespace StatusMenuModel
