#pragma once

#include "PellowTimer.h"

#include <QList>
#include <QString>

#include <optional>

// Timer colours: absent, a palette key ("teal") or a custom "#RRGGBB". Pure colour math in
// sRGB components 0...1; drawing happens in the views.
namespace Colors {

struct Rgb
{
    double red = 0;
    double green = 0;
    double blue = 0;
    bool operator==(const Rgb&) const = default;
};

struct PaletteEntry
{
    QString key;   // "red"
    QString title; // "Red"
    Rgb color;
};

const QList<PaletteEntry>& colorPalette();

// The drawable colour of a stored colour string, or none when absent or unresolvable.
std::optional<Rgb> resolveColor(const std::optional<QString>& stored);
inline std::optional<Rgb> timerColor(const PellowTimer& timer)
{
    return resolveColor(timer.color);
}

// "#RRGGBB" with components clamped to 0...1 and rounded half away from zero.
QString hexColorString(const Rgb& color);

// The menu image name for an optional colour: "swatch:#RRGGBB" or "swatch:neutral".
QString swatchImage(const std::optional<Rgb>& color);

} // namespace Colors
