#include "HUDPlacement.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cmath>

namespace HUDPlacement {

namespace {

std::optional<qsizetype> defaultScreen(const QList<Screen>& screens)
{
    if (screens.isEmpty())
        return std::nullopt;
    const auto primary =
        std::find_if(screens.begin(), screens.end(), [](const Screen& s) { return s.primary; });
    return primary == screens.end() ? 0 : primary - screens.begin();
}

std::optional<qsizetype> screenContaining(const QList<Screen>& screens, QPointF point)
{
    for (qsizetype i = 0; i < screens.size(); ++i)
        if (screens[i].frame.contains(point))
            return i;
    return std::nullopt;
}

// Which edges stay still while the grip drags, and how its motion counts.
struct Anchor
{
    bool rightStays;
    bool bottomStays;
    double sx;
    double sy;
};

Anchor anchorFor(std::optional<int> corner, double dx, double dy)
{
    switch (corner.value_or(kTopRight)) {
    case kTopRight:
        return {true, false, -dx, -dy};
    case kBottomLeft:
        return {false, true, dx, dy};
    case kBottomRight:
        return {true, true, -dx, dy};
    default:
        return {false, false, dx, -dy};
    }
}

} // namespace

int screenNumber(const QString& serial, const QString& manufacturer, const QString& model,
                 const QString& name)
{
    const QString identity = QStringList{serial, manufacturer, model, name}.join(QLatin1Char('\n'));
    const QByteArray digest = QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256);
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | quint8(digest[i]);
    value &= 0x7fffffff;
    return value == 0 ? 1 : int(value);
}

std::optional<qsizetype> targetScreen(const QList<Screen>& screens, std::optional<int> choice,
                                      std::optional<qsizetype> current, std::optional<QPointF> pointer)
{
    if (screens.isEmpty())
        return std::nullopt;
    if (current && (*current < 0 || *current >= screens.size()))
        current.reset();
    const std::optional<qsizetype> fallback = current ? current : defaultScreen(screens);
    if (choice == -1) {
        const auto under = pointer ? screenContaining(screens, *pointer) : std::nullopt;
        return under ? under : fallback;
    }
    if (choice && *choice >= 1) {
        for (qsizetype i = 0; i < screens.size(); ++i)
            if (screens[i].number == *choice)
                return i;
    }
    return fallback;
}

QPointF place(const QList<Screen>& screens, const Stored& stored, std::optional<qsizetype> current,
              std::optional<QPointF> pointer, QSizeF size)
{
    std::optional<qsizetype> target = targetScreen(screens, stored.screenChoice, current, pointer);
    if (!target)
        return QPointF(0, 0);
    const double w = size.width();
    const double h = size.height();
    const int corner = stored.corner.value_or(kTopRight);
    if (corner < 0) {
        if (stored.screenChoice.value_or(0) == 0 && stored.originX && stored.originY) {
            if (const auto holder = screenContaining(screens, QPointF(*stored.originX, *stored.originY)))
                target = holder;
        }
        const QRectF v = screens[*target].usable;
        double x = stored.originX.value_or(v.right() - w - kMargin);
        double y = stored.originY.value_or(v.bottom() - h - kMargin);
        // Inside the usable area; the upper bound last, so a window larger than it keeps its top right.
        x = std::min(std::max(x, v.left()), v.right() - w);
        y = std::min(std::max(y, v.top()), v.bottom() - h);
        return QPointF(x, y);
    }
    // QRectF's top() is the smaller y: in these y-up terms that is the bottom edge.
    const QRectF v = screens[*target].usable;
    const bool left = corner == kTopLeft || corner == kBottomLeft;
    const bool bottom = corner == kBottomLeft || corner == kBottomRight;
    return QPointF(left ? v.left() + kMargin : v.right() - w - kMargin,
                   bottom ? v.top() + kMargin : v.bottom() - h - kMargin);
}

int nextCorner(std::optional<int> corner)
{
    switch (corner.value_or(kTopRight)) {
    case kTopLeft:
        return kTopRight;
    case kTopRight:
        return kBottomRight;
    case kBottomRight:
        return kBottomLeft;
    case kBottomLeft:
        return kTopLeft;
    default:
        return kBottomRight;
    }
}

std::optional<int> cornerByArrow(std::optional<int> corner, quint16 key)
{
    constexpr quint16 kLeft = 123, kRight = 124, kDown = 125, kUp = 126;
    if (key < kLeft || key > kUp)
        return std::nullopt;
    int c = corner.value_or(kTopRight);
    if (c < kTopLeft || c > kBottomRight)
        c = kBottomRight;
    const bool left = c == kTopLeft || c == kBottomLeft;
    const bool bottom = c == kBottomLeft || c == kBottomRight;
    const bool toLeft = key == kLeft ? true : key == kRight ? false : left;
    const bool toBottom = key == kDown ? true : key == kUp ? false : bottom;
    return toBottom ? (toLeft ? kBottomLeft : kBottomRight) : (toLeft ? kTopLeft : kTopRight);
}

std::optional<double> resizedWidth(std::optional<int> corner, double currentWidth, double dx, double dy)
{
    const Anchor a = anchorFor(corner, dx, dy);
    const double change = std::abs(a.sy) <= std::abs(a.sx) ? a.sx : a.sy;
    const double width = std::clamp(currentWidth + change, 64.0, 420.0);
    if (!(std::abs(width - currentWidth) >= 0.5))
        return std::nullopt;
    return width;
}

Qt::Corner gripCorner(std::optional<int> corner)
{
    const Anchor a = anchorFor(corner, 0, 0);
    // y-up: a HUD whose bottom stays grows at its top.
    if (a.rightStays)
        return a.bottomStays ? Qt::TopLeftCorner : Qt::BottomLeftCorner;
    return a.bottomStays ? Qt::TopRightCorner : Qt::BottomRightCorner;
}

QPointF anchoredOrigin(std::optional<int> corner, const QRectF& before, QSizeF after)
{
    const Anchor a = anchorFor(corner, 0, 0);
    // y-up: QRectF's bottom() is the top edge.
    return QPointF(a.rightStays ? before.right() - after.width() : before.left(),
                   a.bottomStays ? before.top() : before.bottom() - after.height());
}

} // namespace HUDPlacement
