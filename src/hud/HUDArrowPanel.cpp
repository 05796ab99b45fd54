#include "HUDArrowPanel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include <algorithm>

HUDArrowPanel::HUDArrowPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

std::optional<quint16> HUDArrowPanel::keyCode(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Escape:
        return kEscape;
    case Qt::Key_Left:
        return kLeft;
    case Qt::Key_Right:
        return kRight;
    case Qt::Key_Down:
        return kDown;
    case Qt::Key_Up:
        return kUp;
    default:
        return std::nullopt;
    }
}

void HUDArrowPanel::keyPressEvent(QKeyEvent* event)
{
    const auto code = keyCode(event->key());
    if (!code) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (*code == kEscape) {
        if (onEscape)
            onEscape();
    } else if (onArrow) {
        onArrow(*code);
    }
}

void HUDArrowPanel::takeKeyboard()
{
    QWindow* window = windowHandle();
    if (!window || !windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus))
        return;
    // The native window's hint alone changes, live; the widget's flags keep the panel's default.
    window->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    activateWindow();
}

void HUDArrowPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || isActiveWindow())
        return;
    if (QWindow* window = windowHandle(); window && windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus))
        window->setFlag(Qt::WindowDoesNotAcceptFocus, true);
}

void HUDArrowPanel::setShadowMargin(int margin)
{
    m_shadowMargin = std::max(0, margin);
    m_background = QPixmap();
    update();
}

// The background is drawn once per size and look, and repaints copy the part they need.
void HUDArrowPanel::paintEvent(QPaintEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    const QColor fill = palette().color(QPalette::Window);
    const QColor edge = palette().color(QPalette::WindowText);
    if (m_background.size() != size() * ratio || m_background.devicePixelRatio() != ratio ||
        m_backgroundFill != fill || m_backgroundEdge != edge) {
        m_background = QPixmap(size() * ratio);
        m_background.setDevicePixelRatio(ratio);
        m_background.fill(Qt::transparent);
        QPainter painter(&m_background);
        paintBackground(painter);
        m_backgroundFill = fill;
        m_backgroundEdge = edge;
    }
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    // Rectangle by rectangle: the few rows that changed, not the area around them all.
    for (const QRect& area : event->region())
        p.drawPixmap(area, m_background,
                     QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
}

// A frosted look: the window colour, mostly opaque, in a rounded rectangle with a faint edge,
// over a shadow that fades out across the margin.
void HUDArrowPanel::paintBackground(QPainter& p) const
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body =
        QRectF(rect()).adjusted(m_shadowMargin, m_shadowMargin, -m_shadowMargin, -m_shadowMargin);
    for (int i = m_shadowMargin; i > 0; --i) {
        const double spread = i;
        QPainterPath ring;
        ring.addRoundedRect(body.adjusted(-spread, -spread + 2, spread, spread + 2), 12 + spread,
                            12 + spread);
        p.fillPath(ring, QColor(0, 0, 0, std::max(1, 36 / (i + 1))));
    }
    QColor fill = palette().color(QPalette::Window);
    fill.setAlpha(238);
    QColor edge = palette().color(QPalette::WindowText);
    edge.setAlpha(40);
    QPainterPath path;
    path.addRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    p.fillPath(path, fill);
    p.setPen(QPen(edge, 1));
    p.drawPath(path);
}

void HUDArrowPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    QWidget::mousePressEvent(event);
}

void HUDArrowPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragOffset && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *m_dragOffset);
    QWidget::mouseMoveEvent(event);
}

void HUDArrowPanel::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragOffset.reset();
    QWidget::mouseReleaseEvent(event);
}
