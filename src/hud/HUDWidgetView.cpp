#include "HUDWidgetView.h"

#include "HUDFonts.h"
#include "HUDResizeGrip.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleHints>

HUDWidgetView::HUDWidgetView(Scheduler& scheduler, QWidget* parent)
    : QWidget(parent), m_scheduler(scheduler), m_grip(new HUDResizeGrip(this))
{
    setObjectName(QStringLiteral("hudView"));
    setMouseTracking(false);
}

HUDWidgetView::~HUDWidgetView()
{
    cancelPendingClick();
}

namespace {

// Texts repaint their frame grown by this much: a text is measured in the font it is drawn in,
// so what it overflows is a pixel or two.
constexpr double kTextRepaintSlack = 4;

} // namespace

void HUDWidgetView::setHUDLayout(HUDLayout::Layout layout, const HUDFonts::Measure& measure)
{
    m_measure = &measure;
    // Only what changed is repainted: a tick usually changes a digit or two of each running clock.
    const auto changed = HUDLayout::changedAreas(m_layout, layout, kTextRepaintSlack, measure);
    m_layout = std::move(layout);
    const QSize size(qCeil(m_layout.size.width()), qCeil(m_layout.size.height()));
    if (this->size() != size)
        resize(size);
    placeGrip();
    if (!changed) {
        update();
        return;
    }
    QRegion dirty;
    for (const QRectF& area : *changed)
        dirty += flipped(area).toAlignedRect();
    if (!dirty.isEmpty())
        update(dirty);
}

void HUDWidgetView::setGripCorner(Qt::Corner corner)
{
    m_grip->setCorner(corner);
    placeGrip();
}

void HUDWidgetView::placeGrip()
{
    const Qt::Corner corner = m_grip->corner();
    const int far = HUDResizeGrip::kSize + HUDResizeGrip::kInset;
    const bool left = corner == Qt::TopLeftCorner || corner == Qt::BottomLeftCorner;
    const bool top = corner == Qt::TopLeftCorner || corner == Qt::TopRightCorner;
    m_grip->move(left ? HUDResizeGrip::kInset : width() - far, top ? HUDResizeGrip::kInset : height() - far);
}

QRectF HUDWidgetView::flipped(const QRectF& r) const
{
    // The layout's rectangles grow upwards from the bottom; the widget's downwards from the top.
    return QRectF(r.x(), height() - r.y() - r.height(), r.width(), r.height());
}

QColor HUDWidgetView::colorOf(const HUDLayout::Paint& paint) const
{
    using HUDLayout::Ink;
    QColor c;
    switch (paint.ink) {
    case Ink::Label:
        c = palette().color(QPalette::WindowText);
        break;
    case Ink::SecondaryLabel:
        c = palette().color(QPalette::WindowText);
        c.setAlphaF(0.6f);
        break;
    case Ink::Separator:
        c = palette().color(QPalette::WindowText);
        c.setAlphaF(0.15f);
        break;
    case Ink::Accent:
        c = palette().color(QPalette::Highlight);
        break;
    case Ink::Red:
        c = QColor(0xe0, 0x1b, 0x24);
        break;
    case Ink::White:
        c = Qt::white;
        break;
    case Ink::Custom:
        c = QColor::fromRgbF(float(paint.rgb.red), float(paint.rgb.green), float(paint.rgb.blue));
        break;
    }
    c.setAlphaF(float(c.alphaF() * paint.alpha));
    return c;
}

void HUDWidgetView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRegion& exposed = event->region();
    for (const HUDLayout::Shape& shape : m_layout.shapes) {
        const QRectF r = flipped(shape.frame);
        if (!exposed.intersects(r.toAlignedRect().adjusted(-2, -2, 2, 2)))
            continue;
        QPainterPath path;
        path.addRoundedRect(r, shape.radius, shape.radius);
        p.fillPath(path, colorOf(shape.fill));
        if (shape.borderWidth > 0) {
            const double inset = shape.borderWidth / 2;
            QPainterPath edge;
            const double radius = std::max(0.0, shape.radius - inset);
            edge.addRoundedRect(r.adjusted(inset, inset, -inset, -inset), radius, radius);
            p.strokePath(edge, QPen(colorOf(shape.border), shape.borderWidth));
        }
    }
    for (const HUDLayout::Text& text : m_layout.texts) {
        // Centred on its fitted frame, so a text a little wider than measured still centres.
        const QRectF frame = flipped(text.frame);
        const double reach = kTextRepaintSlack + 2;
        if (!exposed.intersects(frame.adjusted(-reach, -2, reach, 2).toAlignedRect()))
            continue;
        p.setFont(HUDFonts::font(text.font));
        p.setPen(colorOf(text.paint));
        if (m_measure)
            m_textPainter.draw(p, text, frame, exposed, *m_measure);
    }
}

void HUDWidgetView::cancelPendingClick()
{
    if (m_pendingClick)
        m_scheduler.cancel(*m_pendingClick);
    m_pendingClick.reset();
}

void HUDWidgetView::mousePressEvent(QMouseEvent* event)
{
    m_dragged = false;
    m_clickCount = 1;
    if (event->button() == Qt::LeftButton)
        m_pressOffset = event->globalPosition().toPoint() - window()->pos();
    event->accept();
}

void HUDWidgetView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click: the waiting single click never comes.
    m_dragged = false;
    m_clickCount = 2;
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    cancelPendingClick();
    if (onDoubleClick)
        onDoubleClick();
}

void HUDWidgetView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressOffset || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint to = event->globalPosition().toPoint() - *m_pressOffset;
    if (!m_dragged &&
        (to - window()->pos()).manhattanLength() < QGuiApplication::styleHints()->startDragDistance())
        return;
    m_dragged = true;
    cancelPendingClick();
    window()->move(to);
}

void HUDWidgetView::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressOffset.reset();
    if (event->button() != Qt::LeftButton)
        return;
    if (m_dragged) {
        m_dragged = false;
        if (onDragEnd)
            onDragEnd();
        return;
    }
    if (m_clickCount >= 2)
        return;
    const QPointF at = layoutPoint(event->position());
    cancelPendingClick();
    const double wait = QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
    m_pendingClick = m_scheduler.after(wait, [self = QPointer<HUDWidgetView>(this), at] {
        if (!self)
            return;
        self->m_pendingClick.reset();
        if (self->onClick)
            self->onClick(at);
    });
}

void HUDWidgetView::contextMenuEvent(QContextMenuEvent* event)
{
    if (!menuProvider)
        return;
    QMenu* menu = menuProvider(layoutPoint(event->pos()));
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
