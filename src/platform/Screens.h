#pragma once

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

} // namespace Screens
