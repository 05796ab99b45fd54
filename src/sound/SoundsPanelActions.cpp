#include "app/AppDelegate.h"
void AppDelegate::openSoundsPanel() {}
void AppDelegate::soundListen(const QString&) {}
void AppDelegate::soundAssign(const QString&, const QString&) {}
void AppDelegate::toggleChirpCountFromPanel(bool) {}
void AppDelegate::demoChirps() {}
