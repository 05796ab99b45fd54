#pragma once

#include "HUDPlacement.h"
#include "StatusMenuModel.h"

#include <optional>

// Everything the HUD's menus show, read at build time.
struct HUDMenuState
{
    StatusMenuState status; // the timers, now, locale and warn marks
    QString display;        // "timerDisplay" as stored, empty when absent
    double storedWidth = 0; // "timerHUDWidth", 0 when absent
    double alpha = 1.0;     // "timerHUDAlpha" as stored
    std::optional<int> corner;
    std::optional<int> screenChoice;
    QList<HUDPlacement::Screen> screens;
};

// Builders of the HUD's context menu and its submenus; pure functions of the state.
namespace HUDMenuModel {

// The context menu for a click on the row of `rowTimerID` (none: off every row).
Menu hudContextMenu(const HUDMenuState& state, const std::optional<QString>& rowTimerID);
Menu hudLookMenu(const HUDMenuState& state);
Menu hudPlaceMenu(const HUDMenuState& state);
// The screen choices stored under `key`: where it is left, the pointer's, each screen (two or more).
Menu hudScreenMenu(const QString& key, std::optional<int> choice, const QList<HUDPlacement::Screen>& screens);

} // namespace HUDMenuModel
