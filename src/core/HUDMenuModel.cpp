#include "HUDMenuModel.h"

#include "HUDLayout.h"
#include "TimeTexts.h"

#include <QVariantMap>

#include <cmath>

namespace HUDMenuModel {

using StatusMenuModel::checkedItem;

namespace {

const QString kScreenKey = QStringLiteral("timerHUDScreen");

void addTimerItems(Menu& menu, const PellowTimer& timer, const HUDMenuState& state)
{
    using namespace StatusMenuModel;
    const double now = state.status.now;
    MenuItem header = MenuItem::label(timerDetail(timer, state.status));
    header.image = timerImage(timer);
    menu.add(std::move(header)).addSeparator();
    menu.add(MenuItem::make(runVerb(timer), QStringLiteral("timerToggleRun:"), timer.id));
    menu.add(MenuItem::make(QStringLiteral("Start over"), QStringLiteral("timerStartOver:"), timer.id));
    menu.add(MenuItem::make(QStringLiteral("Reset"), QStringLiteral("timerReset:"), timer.id));
    menu.addSeparator();
    for (MenuItem& item : timerOptionItems(timer, now))
        menu.add(std::move(item));
    menu.addSeparator();
    menu.add(MenuItem::make(QStringLiteral("New timer\u2026"), QStringLiteral("newTimer")));
    Menu others;
    for (const PellowTimer& other : state.status.timers) {
        if (other.id == timer.id)
            continue;
        MenuItem item = submenuItem(timerDetail(other, state.status), timerSubmenu(other, now));
        item.image = timerImage(other);
        others.add(std::move(item));
    }
    if (!others.items.isEmpty())
        menu.add(submenuItem(QStringLiteral("Other timers"), std::move(others)));
}

} // namespace

Menu hudContextMenu(const HUDMenuState& state, const std::optional<QString>& rowTimerID)
{
    Menu menu;
    const auto index = rowTimerID ? TimeTexts::timerIndex(state.status.timers, *rowTimerID) : std::nullopt;
    if (index) {
        addTimerItems(menu, state.status.timers[*index], state);
    } else {
        StatusMenuModel::addTimersSection(menu, state.status);
        StatusMenuModel::addEachTimerSection(menu, state.status);
    }
    menu.addSeparator();
    menu.add(submenuItem(QStringLiteral("How this HUD looks"), hudLookMenu(state)));
    menu.add(submenuItem(QStringLiteral("Where this HUD sits"), hudPlaceMenu(state)));
    menu.add(submenuItem(QStringLiteral("Warn me when\u2026"),
                         StatusMenuModel::makeWarnMenu(state.status.warnMarks)));
    menu.add(MenuItem::make(QStringLiteral("Hide this HUD"), QStringLiteral("hideTimerHUD")));
    return menu;
}

Menu hudLookMenu(const HUDMenuState& state)
{
    const QString display = state.display.isEmpty() ? QStringLiteral("left+end") : state.display;
    const double width = state.storedWidth;
    const double alpha = HUDLayout::clampedAlpha(state.alpha);
    Menu menu;
    menu.add(MenuItem::label(QStringLiteral("Show")));
    const std::pair<const char*, const char*> modes[] = {{"Time left and end time", "left+end"},
                                                         {"Time left only", "left"},
                                                         {"End time (when it's up)", "end"},
                                                         {"Time elapsed", "elapsed"}};
    for (const auto& [title, value] : modes)
        menu.add(checkedItem(QString::fromUtf8(title), QStringLiteral("setTimerDisplay:"),
                             display == QLatin1String(value), QString::fromLatin1(value)));
    menu.addSeparator();
    menu.add(MenuItem::label(QStringLiteral("Size \u2014 or drag the corner")));
    const std::pair<const char*, double> sizes[] = {
        {"Small", 84}, {"Medium", 130}, {"Large", 200}, {"Huge", 300}};
    for (const auto& [title, value] : sizes)
        menu.add(checkedItem(QString::fromLatin1(title), QStringLiteral("setTimerHUDWidth:"),
                             std::abs(width - value) < 1, value));
    menu.add(
        checkedItem(QStringLiteral("Fit to content"), QStringLiteral("resetTimerHUDSize"), !(width > 0)));
    menu.addSeparator();
    menu.add(MenuItem::label(QStringLiteral("See-through")));
    const std::pair<const char*, double> alphas[] = {
        {"Solid", 1.0}, {"Slightly", 0.8}, {"Half", 0.6}, {"Ghost", 0.35}};
    for (const auto& [title, value] : alphas)
        menu.add(checkedItem(QString::fromLatin1(title), QStringLiteral("setTimerHUDAlpha:"),
                             std::abs(alpha - value) < 0.01, value));
    return menu;
}

Menu hudPlaceMenu(const HUDMenuState& state)
{
    const int corner = state.corner.value_or(HUDPlacement::kTopRight);
    Menu menu;
    const char* titles[] = {"Top left", "Top right", "Bottom left", "Bottom right"};
    for (int c = 0; c < 4; ++c)
        menu.add(
            checkedItem(QString::fromLatin1(titles[c]), QStringLiteral("snapTimerHUD:"), corner == c, c));
    menu.add(MenuItem::make(QStringLiteral("Next corner (or double-click it)"),
                            QStringLiteral("cycleTimerHUDCorner")));
    if (state.screens.size() >= 2) {
        menu.addSeparator();
        menu.add(submenuItem(QStringLiteral("Show on"),
                             hudScreenMenu(kScreenKey, state.screenChoice, state.screens)));
    }
    return menu;
}

Menu hudScreenMenu(const QString& key, std::optional<int> choice, const QList<HUDPlacement::Screen>& screens)
{
    const int c = choice.value_or(0);
    const auto entry = [&key](int id) {
        return QVariantMap{{QStringLiteral("key"), key}, {QStringLiteral("id"), id}};
    };
    Menu menu;
    menu.add(checkedItem(QStringLiteral("Wherever I leave it"), QStringLiteral("setHUDScreen:"), c == 0,
                         entry(0)));
    menu.add(checkedItem(QStringLiteral("Follow the pointer"), QStringLiteral("setHUDScreen:"), c == -1,
                         entry(-1)));
    if (screens.size() >= 2) {
        menu.addSeparator();
        for (const HUDPlacement::Screen& screen : screens) {
            const QString title = screen.primary ? screen.name + QStringLiteral(" (main)") : screen.name;
            menu.add(checkedItem(title, QStringLiteral("setHUDScreen:"), c == screen.number,
                                 entry(screen.number)));
        }
    }
    return menu;
}

} // namespace HUDMenuModel
