#pragma once

#include "Colors.h"
#include "PellowTimer.h"

#include <QList>
#include <QLocale>
#include <QPair>
#include <QRectF>
#include <QString>

#include <optional>

// The HUD as a layout model: every plate, bar and text of every row, in the content view's
// coordinates with the origin at the bottom left and y growing upwards. The window paints it;
// nothing here draws or measures text itself.
namespace HUDLayout {

// The colours of the HUD, named by role; the window resolves the roles to its palette.
enum class Ink
{
    Label,
    SecondaryLabel,
    Separator,
    Accent,
    Red,
    White,
    Custom // `rgb`
};

struct Paint
{
    Ink ink = Ink::Label;
    double alpha = 1.0;
    Colors::Rgb rgb;
    bool operator==(const Paint&) const = default;
};

enum class FontRole
{
    Clock,      // semibold, digits of equal width
    Name,       // medium
    Detail,     // regular
    Placeholder // regular
};

struct FontSpec
{
    FontRole role = FontRole::Detail;
    double size = 12;
    bool operator==(const FontSpec&) const = default;
};

// Fitted text sizes: the window measures in its fonts, tests with a fixed-width fake.
class TextMeasure
{
public:
    virtual ~TextMeasure() = default;
    virtual QSizeF measure(const QString& text, const FontSpec& font) const = 0;
};

struct Settings
{
    QString display = QStringLiteral("left+end");
    double storedWidth = 0; // 0 or less: the width fits the content
    QString size = QStringLiteral("compact");
    // The tallest the HUD may be (the screen's available height); 0: no limit. Rows past it wrap
    // into further columns.
    double maxHeight = 0;
};

// Every size of a row follows from the base width.
struct Metrics
{
    double clockFont;
    double smallFont;
    double cardInset;
    double hudInset;
    bool showsName;
    bool showsDetail;
};

double baseWidth(const Settings& settings);
Metrics metrics(double baseWidth);
// The window's alpha: the stored one, kept within 0.2 ... 1.0.
double clampedAlpha(double stored);

struct RowTexts
{
    QString main;
    QString detail;
    bool operator==(const RowTexts&) const = default;
};
RowTexts hudRowTexts(const PellowTimer& timer, const QString& display, double now, const QLocale& locale);

// The text cut to fit `width` with "…" at its end: on the right of a left-to-right text, on the
// left of a right-to-left one.
QString elided(const QString& text, const FontSpec& font, double width, const TextMeasure& measure);

// White or black, whichever reads better on the colour.
Colors::Rgb contrastTextColor(const Colors::Rgb& color);

struct Shape
{
    QRectF frame;
    double radius = 0;
    Paint fill;
    double borderWidth = 0; // 0: no border
    Paint border;
    bool operator==(const Shape&) const = default;
};

struct Text
{
    QString text;
    FontSpec font;
    QRectF frame; // the fitted size at its place
    Paint paint;
    bool operator==(const Text&) const = default;
};

struct Layout
{
    QSizeF size;         // the content view, insets included
    QList<Shape> shapes; // drawn first, in order
    QList<Text> texts;   // drawn over the shapes
    // One frame per timer row, column by column and bottom to top in each, spanning the column's width.
    QList<QPair<QString, QRectF>> rowFrames;
};

// The areas (layout coordinates) to repaint when `after` replaces `before`: the frames of the
// plates and texts that changed (a text in place from its first changed character), grown by
// `textSlack` sideways for texts and by 2 for antialiasing. None when the two differ in size or
// in structure, so the whole view is repainted.
std::optional<QList<QRectF>> changedAreas(const Layout& before, const Layout& after, double textSlack,
                                          const TextMeasure& measure);

Layout layout(const TimerList& timers, const Settings& settings, const std::optional<QString>& highlightedID,
              double now, const QLocale& locale, const TextMeasure& measure);

} // namespace HUDLayout
