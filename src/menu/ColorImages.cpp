#include "ColorImages.h"

#include "core/Colors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace ColorImages {

namespace {

constexpr qreal kScale = 2;

QPixmap blank(int size)
{
    QPixmap pixmap(QSize(size, size) * kScale);
    pixmap.setDevicePixelRatio(kScale);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QColor paletteColor(QPalette::ColorRole role, float alpha = 1)
{
    QColor color = QGuiApplication::palette().color(role);
    color.setAlphaF(alpha * color.alphaF());
    return color;
}

// Secondary text is the palette's placeholder colour; the accent is its highlight.
QColor secondaryText(float alpha)
{
    return paletteColor(QPalette::PlaceholderText, alpha);
}

void drawAccentRing(QPainter& p, int size)
{
    p.setPen(QPen(paletteColor(QPalette::Highlight), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
}

} // namespace

std::optional<QColor> drawableColor(const std::optional<QString>& stored)
{
    const auto rgb = Colors::resolveColor(stored);
    if (!rgb)
        return std::nullopt;
    return QColor::fromRgbF(static_cast<float>(rgb->red), static_cast<float>(rgb->green),
                            static_cast<float>(rgb->blue));
}

QPixmap colorSwatch(const std::optional<QColor>& color)
{
    QPixmap pixmap = blank(12);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(paletteColor(QPalette::WindowText, 0.25f), 1));
    p.setBrush(color ? *color : secondaryText(0.2f));
    p.drawRoundedRect(QRectF(0.5, 0.5, 11, 11), 3, 3);
    return pixmap;
}

QPixmap colorDot(const std::optional<QColor>& color, bool selected, int size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal inset = selected ? 3 : 1.5;
    const QRectF circle(inset, inset, size - 2 * inset, size - 2 * inset);
    if (color) {
        p.setPen(Qt::NoPen);
        p.setBrush(*color);
        p.drawEllipse(circle);
    } else {
        p.setPen(QPen(secondaryText(0.5f), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(circle);
        // From the lower left to the upper right, 4 in from the corners of the circle's square.
        p.drawLine(QPointF(circle.left() + 4, circle.bottom() - 4),
                   QPointF(circle.right() - 4, circle.top() + 4));
    }
    if (selected)
        drawAccentRing(p, size);
    return pixmap;
}

QPixmap colorWheel(bool selected)
{
    constexpr int size = 24;
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF circle(1.5, 1.5, 21, 21);
    for (int slice = 0; slice < 6; ++slice) {
        p.setBrush(QColor::fromHsvF(slice / 6.0f, 0.75f, 0.95f));
        // Counter-clockwise from three o'clock, in sixteenths of a degree.
        p.drawPie(circle, slice * 60 * 16, 60 * 16);
    }
    if (selected)
        drawAccentRing(p, size);
    return pixmap;
}

} // namespace ColorImages
