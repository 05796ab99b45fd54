#include "app/AppDelegate.h"
void AppDelegate::newTimerEndAt() {}
void AppDelegate::timerEndAt(const MenuItem&) {}
void AppDelegate::confirmEndAt() {}
