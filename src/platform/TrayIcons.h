#pragma once

#include "TrayItem.h"

#include <QIcon>

// Pellow's monochrome tray icons, drawn in the panel's text colour so they read on light and
// dark panels alike.
namespace TrayIcons {
QIcon icon(TrayItem::Icon kind);
}
