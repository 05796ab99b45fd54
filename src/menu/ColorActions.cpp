#include "app/AppDelegate.h"
void AppDelegate::setTimerColor(const MenuItem&) {}
void AppDelegate::timerPickColor(const MenuItem&) {}
void AppDelegate::openColorPicker() {}
void AppDelegate::colorPanelPicked(const QColor&) {}
void AppDelegate::newTimerColorPicked(int) {}
