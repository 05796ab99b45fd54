#include "app/AppDelegate.h"
void AppDelegate::newTimer() {}
void AppDelegate::timerSetupAgain(const MenuItem&) {}
void AppDelegate::newTimerPreset(int) {}
void AppDelegate::newTimerCustom() {}
void AppDelegate::newTimerStopwatch() {}
void AppDelegate::newTimerToggleName() {}
void AppDelegate::newTimerCancel() {}
void AppDelegate::openNewTimerWindow() {}
void AppDelegate::closeNewTimerWindow() {}
void AppDelegate::commitNewTimer(double, bool) {}
double AppDelegate::defaultEndAtDate() const { return 0; }
