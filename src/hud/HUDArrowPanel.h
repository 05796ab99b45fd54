#pragma once

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <optional>

// The borderless floating panel of the HUD and the small windows: frameless, above other
// windows, with a rounded frosted background, movable by dragging its background. Arrow keys
// go to `onArrow` and Escape to `onEscape` (swallowed when no callback is set); every other key
// goes to the base class.
class HUDArrowPanel : public QWidget
{
public:
    // Key codes the callbacks receive.
    static constexpr quint16 kEscape = 53;
    static constexpr quint16 kLeft = 123;
    static constexpr quint16 kRight = 124;
    static constexpr quint16 kDown = 125;
    static constexpr quint16 kUp = 126;

    explicit HUDArrowPanel(QWidget* parent = nullptr);

    std::function<void(quint16)> onArrow;
    std::function<void()> onEscape;

    // A soft shadow in a transparent band of this width around the panel's body.
    void setShadowMargin(int margin);
    int shadowMargin() const { return m_shadowMargin; }

    // The key code of an Escape or arrow key, none for any other key.
    static std::optional<quint16> keyCode(int qtKey);

    // A panel made with Qt::WindowDoesNotAcceptFocus keeps the keyboard where it was when it is
    // clicked. This gives it the keyboard now, until it loses it again, for its own keys after a
    // deliberate click.
    void takeKeyboard();

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void paintBackground(QPainter& painter) const;

    std::optional<QPoint> m_dragOffset;
    QPixmap m_background;
    QColor m_backgroundFill;
    QColor m_backgroundEdge;
    int m_shadowMargin = 0;
};
