#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

// How the tray item should look in a given panel: which icon it names, whether its glyph is
// tinted by the host, by Pellow or not at all, and where the running clock goes.
namespace TrayLook {

// Who colours the glyph.
enum class Tint
{
    Host,    // the host recolours a symbolic icon's fills
    Palette, // Pellow draws it in the application palette's text colour (the panel follows it)
    None     // nobody: a full-colour icon that reads on light and dark panels alike
};

// What a panel is known to do with an item.
struct Host
{
    // Whether it shows the label beside the icon; unknown for panels not in the table.
    std::optional<bool> showsLabel;
    Tint tint = Tint::None;
    // It calls Activate on a left click whatever ItemIsMenu says, and shows its own rendering
    // of the menu only when that call fails.
    bool menuOnFailedActivate = false;
    // It shows the label instead of the icon whenever the item has a label property at all, even
    // an empty one: the item offers none unless the clock goes in the label.
    bool labelHidesIcon = false;

    bool operator==(const Host&) const = default;
};

// The panel hosting the items, told by the program owning the watcher's name: `program` is the
// file name of its executable and `arguments` what it was started with (plugins of some panels
// run in a wrapper program named after the plugin in its arguments). When the program is not in
// the table, `desktop` (XDG_CURRENT_DESKTOP, a colon-separated list) may still tell.
Host hostFor(const QString& program, const QStringList& arguments, const QString& desktop);

// The "trayClockStyle" preference.
enum class ClockStyle
{
    Auto,
    Label,
    Icon
};
ClockStyle clockStyleFrom(const QString& stored);
QString clockStyleName(ClockStyle style);

struct ClockPlace
{
    bool label = false;
    bool icon = false;
};
// Where the clock goes: beside the icon where the host shows labels, in it where it does not,
// both where that is not known, unless the user chose one.
ClockPlace clockPlace(const Host& host, ClockStyle style);

enum class Symbol
{
    Timer,
    Checkmark
};
// The icon's name in the hicolor theme; empty when Pellow's own pixmap must be shown, as for a
// glyph in the palette's colour or with digits drawn into it.
QString iconName(Symbol symbol, Tint tint, bool clockInIcon);

// Where the item's own menu opens when a host asks for it at `given`: there when it is on a
// panel's edge of a screen, by the pointer that just clicked the item; at the pointer otherwise
// (some hosts pass a point far from the item).
QPoint menuAnchor(const QPoint& given, const QPoint& pointer, const QList<QRect>& screens);

} // namespace TrayLook
