#include "HUDLayout.h"

#include "TimeTexts.h"

#include <algorithm>
#include <cmath>

namespace HUDLayout {

namespace {

constexpr double kSeparatorGap = 11; // 5 above, the line, 5 below
constexpr double kBarSpace = 9;      // the bar (3) and the gap above it (6)
constexpr double kCardRadius = 9;
constexpr double kBarRadius = 1.5;

Paint ink(Ink role, double alpha = 1.0)
{
    return Paint{role, alpha, {}};
}

Paint custom(const Colors::Rgb& rgb, double alpha = 1.0)
{
    return Paint{Ink::Custom, alpha, rgb};
}

// One row, in its own coordinates (origin at its bottom left).
struct Row
{
    QSizeF size;
    QList<Shape> shapes;
    QList<Text> texts;
};

bool isPaused(const PellowTimer& t)
{
    return !t.running && t.banked > 0 && (!t.isCountdown() || t.duration > t.banked);
}

Row makeHUDRow(const PellowTimer& timer, const TimerList& timers, double w, bool highlighted, double now,
               const Settings& settings, const QLocale& locale, const TextMeasure& measure)
{
    const Metrics m = metrics(w);
    const RowTexts texts = hudRowTexts(timer, settings.display, now, locale);
    const std::optional<Colors::Rgb> color = Colors::timerColor(timer);
    const Colors::Rgb contrast = color ? contrastTextColor(*color) : Colors::Rgb{};
    const bool finished = TimeTexts::isFinished(timer, now);
    const bool countdown = timer.isCountdown();

    const FontSpec nameFont{FontRole::Name, m.smallFont};
    const FontSpec detailFont{FontRole::Detail, m.smallFont};
    const FontSpec clockFont{FontRole::Clock, m.clockFont};
    const Paint secondaryText = color ? custom(contrast, 0.82) : ink(Ink::SecondaryLabel);

    QString name = TimeTexts::displayName(timer, timers);
    if (isPaused(timer)) {
        const QString paused = name + QStringLiteral(" (paused)");
        if (measure.measure(paused, nameFont).width() <= w)
            name = paused;
    }
    Paint clockPaint = ink(timer.running ? Ink::Label : Ink::SecondaryLabel);
    if (color)
        clockPaint = custom(contrast);
    else if (countdown && finished)
        clockPaint = ink(Ink::Red);

    const QString detail = m.showsDetail ? texts.detail : QString();
    const bool showsDetail = !detail.isEmpty();
    const QSizeF clockSize = measure.measure(texts.main, clockFont);
    const QSizeF nameSize = m.showsName ? measure.measure(name, nameFont) : QSizeF();
    const QSizeF detailSize = showsDetail ? measure.measure(detail, detailFont) : QSizeF();
    const double cw = std::max(w, clockSize.width());
    const double ch = clockSize.height() + (m.showsName ? nameSize.height() + 3 : 0) +
                      (showsDetail ? detailSize.height() + 3 : 0) + (countdown ? kBarSpace : 0);

    const bool card = highlighted || color.has_value();
    const double p = card ? m.cardInset : 0;
    Row row;
    row.size = QSizeF(cw + 2 * p, ch + 2 * p);

    if (card) {
        Shape plate{QRectF(0, 0, row.size.width(), row.size.height()),
                    kCardRadius,
                    color ? custom(*color) : ink(Ink::Accent, 0.2),
                    0,
                    {}};
        if (highlighted) {
            plate.borderWidth = 2.5;
            plate.border = ink(Ink::Accent);
        } else if (finished) {
            plate.borderWidth = 2;
            plate.border = custom(contrast, 0.9);
        }
        row.shapes.append(plate);
        if (highlighted && color)
            row.shapes.append(Shape{plate.frame, kCardRadius, ink(Ink::White, 0.22), 0, {}});
    }

    // Bottom to top inside the content, which starts at (p, p).
    double y = 0;
    if (countdown) {
        const double elapsed = TimeTexts::elapsedSeconds(timer, now);
        double fraction = timer.duration >= 1 ? elapsed / timer.duration : elapsed;
        fraction = std::isnan(fraction) ? 0 : std::clamp(fraction, 0.0, 1.0);
        const Paint track = color ? custom(contrast, 0.25) : ink(Ink::SecondaryLabel, 0.25);
        Paint fill = ink(Ink::Accent);
        if (color)
            fill = custom(contrast, 0.9);
        else if (finished)
            fill = ink(Ink::Red);
        row.shapes.append(Shape{QRectF(p, p, cw, 3), kBarRadius, track, 0, {}});
        row.shapes.append(Shape{QRectF(p, p, std::max(cw * fraction, 1.0), 3), kBarRadius, fill, 0, {}});
        y = kBarSpace;
    }
    const auto centred = [&](const QSizeF& size, double at) {
        return QRectF(p + (cw - size.width()) * 0.5, p + at, size.width(), size.height());
    };
    if (showsDetail) {
        row.texts.append(Text{detail, detailFont, centred(detailSize, y), secondaryText});
        y += detailSize.height() + 3;
    }
    row.texts.append(Text{texts.main, clockFont, centred(clockSize, y), clockPaint});
    if (m.showsName)
        row.texts.append(Text{name, nameFont, centred(nameSize, y + clockSize.height() + 3), secondaryText});
    return row;
}

Row placeholderRow(double w, const TextMeasure& measure)
{
    const QString text = QStringLiteral("No timers");
    const FontSpec font{FontRole::Placeholder, 12};
    const QSizeF size = measure.measure(text, font);
    Row row;
    row.size = QSizeF(std::max(w, size.width()), size.height());
    row.texts.append(Text{text, font,
                          QRectF((row.size.width() - size.width()) * 0.5, 0, size.width(), size.height()),
                          ink(Ink::SecondaryLabel)});
    return row;
}

} // namespace

double baseWidth(const Settings& settings)
{
    if (settings.storedWidth > 0)
        return std::clamp(settings.storedWidth, 64.0, 420.0);
    return settings.size == QLatin1String("large") ? 150 : 100;
}

Metrics metrics(double w)
{
    return Metrics{std::min(std::max(0.3 * w, 15.0), 56.0),
                   std::max(std::min(0.085 * w, 14.0), 9.0),
                   std::max(std::min(0.06 * w, 12.0), 5.0),
                   std::max(std::min(0.09 * w, 16.0), 6.0),
                   w >= 86,
                   w >= 118};
}

double clampedAlpha(double stored)
{
    return std::isnan(stored) ? 1.0 : std::clamp(stored, 0.2, 1.0);
}

RowTexts hudRowTexts(const PellowTimer& t, const QString& display, double now, const QLocale& locale)
{
    using namespace TimeTexts;
    const QString status = statusText(t, now, locale);
    if (display == QLatin1String("left"))
        return {clockText(shownSeconds(t, now)), t.running ? QString() : status};
    if (display == QLatin1String("elapsed")) {
        const QString detail = t.isCountdown() ? QStringLiteral("of ") + clockText(t.duration) : status;
        return {clockText(elapsedSeconds(t, now)), detail};
    }
    if (display == QLatin1String("end")) {
        if (const auto end = endDate(t, now))
            return {shortTimeText(*end, locale),
                    clockText(remainingSeconds(t, now)) + QStringLiteral(" left")};
        if (t.isCountdown() && isFinished(t, now))
            return {QStringLiteral("finished"), status};
    }
    return {clockText(shownSeconds(t, now)), status};
}

Colors::Rgb contrastTextColor(const Colors::Rgb& color)
{
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double l = 0.2126 * linear(color.red) + 0.7152 * linear(color.green) + 0.0722 * linear(color.blue);
    const bool white = (l + 0.05) / 0.05 <= 1.05 / (l + 0.05);
    return white ? Colors::Rgb{1, 1, 1} : Colors::Rgb{0, 0, 0};
}

Layout layout(const TimerList& timers, const Settings& settings, const std::optional<QString>& highlightedID,
              double now, const QLocale& locale, const TextMeasure& measure)
{
    const double w = baseWidth(settings);
    QList<Row> rows;
    for (const PellowTimer& timer : timers)
        rows.append(makeHUDRow(timer, timers, w, highlightedID && *highlightedID == timer.id, now, settings,
                               locale, measure));
    if (rows.isEmpty())
        rows.append(placeholderRow(w, measure));

    double columnWidth = 0;
    double columnHeight = kSeparatorGap * double(rows.size() - 1);
    for (const Row& row : rows) {
        columnWidth = std::max(columnWidth, row.size.width());
        columnHeight += row.size.height();
    }
    const double inset = metrics(w).hudInset;

    Layout result;
    result.size = QSizeF(columnWidth + 2 * inset, columnHeight + 2 * inset);
    // The last timer sits at the bottom, the first on top.
    double y = 0;
    for (qsizetype i = rows.size() - 1; i >= 0; --i) {
        const Row& row = rows[i];
        const QPointF origin(inset + (columnWidth - row.size.width()) * 0.5, inset + y);
        for (Shape shape : row.shapes) {
            shape.frame.translate(origin);
            result.shapes.append(shape);
        }
        for (Text text : row.texts) {
            text.frame.translate(origin);
            result.texts.append(text);
        }
        if (!timers.isEmpty())
            result.rowFrames.append({timers[i].id, QRectF(inset, inset + y, columnWidth, row.size.height())});
        y += row.size.height();
        if (i > 0) {
            result.shapes.append(
                Shape{QRectF(inset, inset + y + 5, columnWidth, 1), 0, ink(Ink::Separator), 0, {}});
            y += kSeparatorGap;
        }
    }
    return result;
}

std::optional<QList<QRectF>> changedAreas(const Layout& before, const Layout& after, double textSlack)
{
    if (before.size != after.size || before.shapes.size() != after.shapes.size() ||
        before.texts.size() != after.texts.size() || before.rowFrames != after.rowFrames)
        return std::nullopt;
    QList<QRectF> areas;
    const auto add = [&areas](const QRectF& a, const QRectF& b, double slack) {
        areas.append(a.united(b).adjusted(-slack - 2, -2, slack + 2, 2));
    };
    for (qsizetype i = 0; i < after.shapes.size(); ++i)
        if (!(before.shapes[i] == after.shapes[i]))
            add(before.shapes[i].frame, after.shapes[i].frame, 0);
    for (qsizetype i = 0; i < after.texts.size(); ++i)
        if (!(before.texts[i] == after.texts[i]))
            add(before.texts[i].frame, after.texts[i].frame, textSlack);
    return areas;
}

} // namespace HUDLayout
