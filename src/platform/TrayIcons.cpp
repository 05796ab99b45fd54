#include "TrayIcons.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

#include <algorithm>

namespace TrayIcons {

QColor paletteInk()
{
    return QGuiApplication::palette().color(QPalette::WindowText);
}

namespace {

const QColor kFace(0xf7, 0xf7, 0xf5);
const QColor kRim(0x1d, 0x2b, 0x2c);

void drawGlyph(QPainter& p, TrayItem::Icon kind, bool fullColour, int size)
{
    static QSvgRenderer timer(QStringLiteral(":/icons/pellow-timer-symbolic.svg"));
    static QSvgRenderer checkmark(QStringLiteral(":/icons/pellow-checkmark-symbolic.svg"));
    static QSvgRenderer timerColour(QStringLiteral(":/icons/pellow-timer.svg"));
    static QSvgRenderer checkmarkColour(QStringLiteral(":/icons/pellow-checkmark.svg"));
    QSvgRenderer& renderer = kind == TrayItem::Icon::Checkmark ? (fullColour ? checkmarkColour : checkmark)
                                                               : (fullColour ? timerColour : timer);
    renderer.render(&p, QRectF(0, 0, size, size));
}

// The digits filling the box's height, squeezed sideways when they are many.
void drawDigits(QPainter& p, const QString& digits, const QColor& ink, const QRectF& box)
{
    QFont font;
    font.setBold(true);
    font.setPixelSize(std::max(1, static_cast<int>(box.height() * (digits.size() <= 2 ? 0.78 : 0.7))));
    QPainterPath path;
    path.addText(0, 0, font, digits);
    const QRectF bounds = path.boundingRect();
    if (bounds.isEmpty())
        return;
    const qreal scaleY = box.height() / bounds.height();
    const qreal scaleX = std::min(scaleY, box.width() / bounds.width());
    p.save();
    p.translate(box.center());
    p.scale(scaleX, scaleY);
    p.translate(-bounds.center());
    p.fillPath(path, ink);
    p.restore();
}

} // namespace

QImage image(TrayItem::Icon kind, const QColor& ink, int size, const QString& digits)
{
    QImage result(size, size, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter p(&result);
    p.setRenderHint(QPainter::Antialiasing);
    const bool fullColour = !ink.isValid();
    if (kind == TrayItem::Icon::Timer && !digits.isEmpty()) {
        const qreal rim = std::max(1.0, size / 16.0);
        QRectF box(0, 0, size, size);
        if (fullColour) {
            // A light face with a dark rim: the digits read on light and dark panels alike.
            const QRectF face = box.adjusted(rim / 2, rim / 2, -rim / 2, -rim / 2);
            p.setPen(QPen(kRim, rim));
            p.setBrush(kFace);
            p.drawRoundedRect(face, size * 0.22, size * 0.22);
        }
        const qreal inset = rim * (fullColour ? 2.0 : 0.5);
        drawDigits(p, digits, fullColour ? kRim : ink,
                   box.adjusted(inset, inset * 1.5, -inset, -inset * 1.5));
    } else {
        drawGlyph(p, kind, fullColour, size);
        if (!fullColour) {
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(result.rect(), ink);
        }
    }
    p.end();
    return result;
}

QIcon icon(TrayItem::Icon kind, const QColor& ink)
{
    QIcon result;
    for (int size : {16, 22, 24, 32, 48, 64})
        result.addPixmap(QPixmap::fromImage(image(kind, ink, size)));
    return result;
}

} // namespace TrayIcons
