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

namespace {

// Qt's y of the primary screen's bottom edge: the y-up coordinates start there.
double yUpBase()
{
    const QScreen* primary = defaultScreen();
    return primary ? primary->geometry().y() + primary->geometry().height() : 0;
}

QRectF toYUp(const QRect& rect, double base)
{
    return QRectF(rect.x(), base - (rect.y() + rect.height()), rect.width(), rect.height());
}

} // namespace

QList<HUDPlacement::Screen> hudScreens()
{
    const double base = yUpBase();
    const QScreen* primary = defaultScreen();
    QList<HUDPlacement::Screen> result;
    for (const QScreen* screen : QGuiApplication::screens()) {
        HUDPlacement::Screen s;
        s.number = HUDPlacement::screenNumber(screen->serialNumber(), screen->manufacturer(), screen->model(),
                                              screen->name());
        s.frame = toYUp(screen->geometry(), base);
        s.usable = toYUp(screen->availableGeometry(), base);
        s.name = screen->model().isEmpty() ? screen->name() : screen->model();
        s.primary = screen == primary;
        result.append(s);
    }
    return result;
}

std::optional<qsizetype> screenIndexOf(const QWidget* window)
{
    if (!window || !window->isVisible())
        return std::nullopt;
    const QScreen* on = window->screen();
    const auto screens = QGuiApplication::screens();
    const qsizetype index = screens.indexOf(on);
    return index < 0 ? std::nullopt : std::optional<qsizetype>(index);
}

QPointF toYUp(QPointF point)
{
    return QPointF(point.x(), yUpBase() - point.y());
}

QPointF bottomLeftYUp(const QRect& rect)
{
    return QPointF(rect.x(), yUpBase() - (rect.y() + rect.height()));
}

QPoint topLeftFromYUp(QPointF bottomLeft, QSize size)
{
    return QPoint(qRound(bottomLeft.x()), qRound(yUpBase() - bottomLeft.y() - size.height()));
}

} // namespace Screens
