#pragma once

#include "core/HUDPlacement.h"

#include <QPoint>
#include <QRect>

class QScreen;
class QWidget;

// Where small windows appear: the screen under the pointer, else the primary screen, else the
// first screen; centred on that screen's available area (without panels and docks).
namespace Screens {

QScreen* screenUnderMouse();
QScreen* defaultScreen();
// screenUnderMouse(), falling back to defaultScreen().
QScreen* placementScreen();
void centreOnScreen(QWidget* window, QScreen* screen);

// The screens as the HUD's placement sees them: numbered, in global coordinates with y up
// (origin at the bottom left of the primary screen), in the system's order.
QList<HUDPlacement::Screen> hudScreens();
// The index in hudScreens() of the screen a window is on; none when it is on none.
std::optional<qsizetype> screenIndexOf(const QWidget* window);
// Conversions between Qt's global coordinates (y down) and the y-up ones.
QPointF toYUp(QPointF point);
// The y-up bottom-left corner of a rectangle, and back to the top left of one of `size`.
QPointF bottomLeftYUp(const QRect& rect);
QPoint topLeftFromYUp(QPointF bottomLeft, QSize size);

} // namespace Screens
