#pragma once

#include <QString>

// How the tray item should look on a given desktop: the colour of its glyph, the themed icon
// name that goes with it, and whether the clock has to be drawn into the icon.
namespace TrayLook {

enum class Glyph
{
    Light,     // a light glyph, for a dark panel
    Dark,      // a dark glyph, for a light panel
    HostTinted // Pellow cannot know: a symbolic icon the host recolours
};

// `desktop` is XDG_CURRENT_DESKTOP (a colon-separated list); `paletteDark` tells whether the
// application palette is dark, which on some desktops is what the panel follows.
Glyph glyphFor(const QString& desktop, bool paletteDark);

// Panels that ignore the label beside an item, so the clock goes into the icon.
bool drawsClockInIcon(const QString& desktop);

enum class Symbol
{
    Timer,
    Checkmark
};
// The icon's name in the hicolor theme: the symbolic form when the host recolours it, none
// (empty) when Pellow's own pixmap must be shown, as when digits are drawn into it.
QString themeIconName(Symbol symbol, Glyph glyph, bool clockInIcon);

} // namespace TrayLook
