#pragma once

#include <QPointF>
#include <QWidget>

#include <functional>

// The HUD's corner grip. A drag reports its motion in steps of at least one point on either
// axis, with y growing upwards; smaller motions add up until one axis reaches a point.
class HUDResizeGrip final : public QWidget
{
public:
    static constexpr int kSize = 18;

    explicit HUDResizeGrip(QWidget* parent = nullptr);

    // The corner of the HUD it sits in: the one away from where the HUD is anchored, so it
    // follows the pointer. Its lines and cursor point into that corner.
    void setCorner(Qt::Corner corner);
    Qt::Corner corner() const { return m_corner; }
    // Inset from the view's edges, so it stays inside the rounded corner.
    static constexpr int kInset = 4;

    std::function<void(double dx, double dy)> onDrag;
    std::function<void()> onDone;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The last pointer position acted on, in global coordinates: the window moves and resizes
    // under the pointer while it drags, so its own coordinates would not hold still.
    QPointF m_anchor;
    Qt::Corner m_corner = Qt::BottomRightCorner;
};
