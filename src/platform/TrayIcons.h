#pragma once

#include "TrayItem.h"
#include "core/TrayLook.h"

#include <QColor>
#include <QIcon>
#include <QImage>

// Pellow's monochrome tray icons in one ink colour, and the clock drawn as compact digits
// for panels that show no label.
namespace TrayIcons {

// The ink for a glyph kind; the application palette's text colour when the host tints it.
QColor ink(TrayLook::Glyph glyph);

// The icon at `size` pixels square; with `digits`, those instead of the timer glyph.
QImage image(TrayItem::Icon kind, const QColor& ink, int size, const QString& digits = {});
QIcon icon(TrayItem::Icon kind, const QColor& ink);

} // namespace TrayIcons
