#include "TrayIcons.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

#include <algorithm>

namespace TrayIcons {

QColor ink(TrayLook::Glyph glyph)
{
    switch (glyph) {
    case TrayLook::Glyph::Light:
        return QColor(0xf2, 0xf2, 0xf2);
    case TrayLook::Glyph::Dark:
        return QColor(0x2e, 0x34, 0x36);
    case TrayLook::Glyph::HostTinted:
        break;
    }
    return QGuiApplication::palette().color(QPalette::WindowText);
}

namespace {

void drawGlyph(QPainter& p, TrayItem::Icon kind, int size)
{
    static QSvgRenderer timer(QStringLiteral(":/icons/pellow-timer-symbolic.svg"));
    static QSvgRenderer checkmark(QStringLiteral(":/icons/pellow-checkmark-symbolic.svg"));
    (kind == TrayItem::Icon::Checkmark ? checkmark : timer).render(&p, QRectF(0, 0, size, size));
}

// Minutes as bold digits inside a thin ring, sized to stay legible down to 22 pixels.
void drawDigits(QPainter& p, const QString& digits, const QColor& ink, int size)
{
    const bool ring = digits.size() <= 2;
    if (ring) {
        const qreal stroke = std::max(1.0, size * 0.08);
        p.setPen(QPen(ink, stroke));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(stroke / 2, stroke / 2, size - stroke, size - stroke));
    }
    QFont font;
    font.setBold(true);
    font.setPixelSize(static_cast<int>(size * (digits.size() <= 1 ? 0.66 : ring ? 0.54 : 0.46)));
    font.setLetterSpacing(QFont::PercentageSpacing, 92);
    p.setFont(font);
    p.setPen(ink);
    p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, digits);
}

} // namespace

QImage image(TrayItem::Icon kind, const QColor& ink, int size, const QString& digits)
{
    QImage result(size, size, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter p(&result);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (kind == TrayItem::Icon::Timer && !digits.isEmpty()) {
        drawDigits(p, digits, ink, size);
    } else {
        drawGlyph(p, kind, size);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(result.rect(), ink);
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
