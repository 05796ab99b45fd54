#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

// Where the HUD sits: a corner of a screen's usable area or a place the user left it, on a
// chosen screen, the pointer's or its own. Geometry is global, with the origin at the bottom
// left of the primary screen and y growing upwards; the window converts once, at its edge.
namespace HUDPlacement {

constexpr double kMargin = 12;

// Corners as stored: 0 top left, 1 top right, 2 bottom left, 3 bottom right, -1 free placement.
enum Corner
{
    kFree = -1,
    kTopLeft = 0,
    kTopRight = 1,
    kBottomLeft = 2,
    kBottomRight = 3
};

struct Screen
{
    int number = 0;
    QRectF frame;
    QRectF usable; // without panels and docks
    QString name;
    bool primary = false;
};

// What the preference store holds; a missing or mistyped value is none.
struct Stored
{
    std::optional<int> corner;
    std::optional<int> screenChoice; // 0 where it is left, -1 follow the pointer, n the screen numbered n
    std::optional<double> originX;
    std::optional<double> originY;
};

// A stable positive number for a screen, from what identifies it, the same across restarts.
int screenNumber(const QString& serial, const QString& manufacturer, const QString& model,
                 const QString& name);

// The screen to place on, as an index into `screens`; none only when there are no screens.
std::optional<qsizetype> targetScreen(const QList<Screen>& screens, std::optional<int> choice,
                                      std::optional<qsizetype> current, std::optional<QPointF> pointer);

// The window's bottom-left corner for content of `size`.
QPointF place(const QList<Screen>& screens, const Stored& stored, std::optional<qsizetype> current,
              std::optional<QPointF> pointer, QSizeF size);

// The next corner clockwise (top left, top right, bottom right, bottom left); a free HUD goes to
// bottom right.
int nextCorner(std::optional<int> corner);

// The corner of the HUD its resize grip sits in: the one opposite the corner it is anchored to,
// which moves as the HUD resizes (bottom right for a HUD the user left anywhere).
Qt::Corner gripCorner(std::optional<int> corner);

// The corner an arrow key moves to; none for other keys. Key codes: 123 left, 124 right,
// 125 down, 126 up.
std::optional<int> cornerByArrow(std::optional<int> corner, quint16 key);

// A drag of the resize grip by (dx, dy), window coordinates with y up: the new width, or none
// when it changes by less than half a point.
std::optional<double> resizedWidth(std::optional<int> corner, double currentWidth, double dx, double dy);
// The new origin of a window resized from `before` to `after`, keeping the corner's edges still.
QPointF anchoredOrigin(std::optional<int> corner, const QRectF& before, QSizeF after);

} // namespace HUDPlacement
