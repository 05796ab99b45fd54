#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

#include <optional>

// The small colour images of the menus and of the new-timer window's colour row, drawn at
// twice their size for sharp high-DPI screens. Sizes are in logical pixels.
namespace ColorImages {

// The drawable colour of a stored colour string, or none when absent or unresolvable.
std::optional<QColor> drawableColor(const std::optional<QString>& stored);

// A 12 x 12 rounded square: the colour, or a faint neutral fill without one.
QPixmap colorSwatch(const std::optional<QColor>& color);
// A round colour button image of `size`; without a colour, an outlined, crossed-out circle.
// Selected adds a ring in the accent colour.
QPixmap colorDot(const std::optional<QColor>& color, bool selected, int size);
// The 24 x 24 "any colour" image: six hue slices, with the accent ring when selected.
QPixmap colorWheel(bool selected);

} // namespace ColorImages
