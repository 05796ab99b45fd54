#pragma once

#include "HUDTextPainter.h"
#include "core/HUDLayout.h"
#include "platform/Scheduler.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class HUDResizeGrip;
class QMenu;

// The HUD's one content view: paints a layout model and tells clicks, double-clicks, drags and
// context-menu requests apart. Points handed out are in the layout's coordinates (origin at
// the bottom left, y up). A single click waits for the double-click interval, so the first
// click of a double-click never counts; a drag moves the window and counts as neither.
class HUDWidgetView final : public QWidget
{
public:
    HUDWidgetView(Scheduler& scheduler, QWidget* parent = nullptr);
    ~HUDWidgetView() override;

    // Shows a new layout: resizes to it, keeps the grip in its corner, repaints what changed
    // (measured as the layout was).
    void setHUDLayout(HUDLayout::Layout layout, const HUDFonts::Measure& measure);
    const HUDLayout::Layout& hudLayout() const { return m_layout; }
    HUDResizeGrip* resizeGrip() const { return m_grip; }
    void setGripCorner(Qt::Corner corner);

    std::function<QMenu*(QPointF)> menuProvider;
    std::function<void()> onDoubleClick;
    std::function<void(QPointF)> onClick;
    // The user let go of the window after dragging it.
    std::function<void()> onDragEnd;

    QPointF layoutPoint(QPointF widgetPoint) const
    {
        return QPointF(widgetPoint.x(), height() - widgetPoint.y());
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void cancelPendingClick();
    QRectF flipped(const QRectF& layoutRect) const;
    void placeGrip();
    QColor colorOf(const HUDLayout::Paint& paint) const;

    Scheduler& m_scheduler;
    HUDLayout::Layout m_layout;
    const HUDFonts::Measure* m_measure = nullptr;
    HUDTextPainter m_textPainter;
    HUDResizeGrip* m_grip = nullptr;
    std::optional<Scheduler::TaskId> m_pendingClick;
    bool m_dragged = false;
    int m_clickCount = 0;
    std::optional<QPoint> m_pressOffset; // pointer minus window position at the press
};
