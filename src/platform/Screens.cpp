#include "Screens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace Screens {

QScreen* screenUnderMouse()
{
    const QPoint pointer = QCursor::pos();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().contains(pointer))
            return screen;
    return nullptr;
}

QScreen* defaultScreen()
{
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return primary;
    const auto screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.first();
}

QScreen* placementScreen()
{
    QScreen* screen = screenUnderMouse();
    return screen ? screen : defaultScreen();
}

void centreOnScreen(QWidget* window, QScreen* screen)
{
    if (!window || !screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->size();
    window->move(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2);
}

} // namespace Screens
