#include "HUDResizeGrip.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

HUDResizeGrip::HUDResizeGrip(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kSize, kSize);
    setCursor(Qt::SizeFDiagCursor);
}

void HUDResizeGrip::setCorner(Qt::Corner corner)
{
    if (corner == m_corner)
        return;
    m_corner = corner;
    const bool falling = corner == Qt::TopLeftCorner || corner == Qt::BottomRightCorner;
    setCursor(falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    update();
}

void HUDResizeGrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn for the bottom-right corner, mirrored into the others.
    const bool left = m_corner == Qt::TopLeftCorner || m_corner == Qt::BottomLeftCorner;
    const bool top = m_corner == Qt::TopLeftCorner || m_corner == Qt::TopRightCorner;
    p.translate(left ? width() : 0, top ? height() : 0);
    p.scale(left ? -1 : 1, top ? -1 : 1);
    QColor ink = palette().color(QPalette::WindowText);
    ink.setAlphaF(0.55f);
    p.setPen(QPen(ink, 1.2));
    // Three short diagonals in the bottom-right corner.
    const double r = width();
    const double b = height();
    for (double d : {3.0, 8.0, 13.0})
        p.drawLine(QPointF(r - d, b - 1), QPointF(r - 1, b - d));
}

void HUDResizeGrip::mousePressEvent(QMouseEvent* event)
{
    m_anchor = event->globalPosition();
    event->accept();
}

void HUDResizeGrip::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->globalPosition();
    const double dx = at.x() - m_anchor.x();
    const double dy = m_anchor.y() - at.y(); // y up
    if (std::abs(dx) < 1 && std::abs(dy) < 1)
        return;
    m_anchor = at;
    if (onDrag)
        onDrag(dx, dy);
}

void HUDResizeGrip::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (onDone)
        onDone();
}
