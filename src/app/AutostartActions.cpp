#include "AppDelegate.h"

#include "platform/Autostart.h"

void AppDelegate::toggleOpenAtLogin()
{
    Autostart& autostart = m_platform.autostart;
    QString error;
    if (!autostart.setEnabled(!autostart.isEnabled(), &error))
        postNotice(QStringLiteral("Couldn't change whether Pellow opens at login: %1").arg(error));
    rebuildStatusMenu();
}
