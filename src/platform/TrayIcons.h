#pragma once

#include "TrayItem.h"

#include <QColor>
#include <QIcon>
#include <QImage>

// Pellow's tray icons: the glyph in one ink colour, or in full colour (an invalid ink) that reads
// on light and dark panels alike, and the clock drawn as compact digits for panels that show no
// label.
namespace TrayIcons {

// The application palette's text colour, which panels that follow the palette draw in.
QColor paletteInk();

// The icon at `size` pixels square; with `digits`, those instead of the timer glyph. Digits in
// full colour sit on a light face with a dark rim.
QImage image(TrayItem::Icon kind, const QColor& ink, int size, const QString& digits = {});
QIcon icon(TrayItem::Icon kind, const QColor& ink);

} // namespace TrayIcons
