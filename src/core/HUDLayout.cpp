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
    QSizeF nameSize = m.showsName ? measure.measure(name, nameFont) : QSizeF();
    QSizeF detailSize = showsDetail ? measure.measure(detail, detailFont) : QSizeF();
    const double cw = std::max(w, clockSize.width());
    const double ch = clockSize.height() + (m.showsName ? nameSize.height() + 3 : 0) +
                      (showsDetail ? detailSize.height() + 3 : 0) + (countdown ? kBarSpace : 0);

    // Names and details wider than the row are cut, never clipped mid-letter.
    if (m.showsName && nameSize.width() > cw) {
        name = elided(name, nameFont, cw, measure);
        nameSize = measure.measure(name, nameFont);
    }
    const QString shownDetail = detailSize.width() > cw ? elided(detail, detailFont, cw, measure) : detail;
    if (shownDetail != detail)
        detailSize = measure.measure(shownDetail, detailFont);

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
        // In half-point steps: a whole pixel on a 2x screen, so a long countdown's bar changes (and
        // repaints) only when it visibly moves, not every second.
        const double filled = std::max(std::round(cw * fraction * 2) / 2, 1.0);
        row.shapes.append(Shape{QRectF(p, p, filled, 3), kBarRadius, fill, 0, {}});
        y = kBarSpace;
    }
    const auto centred = [&](const QSizeF& size, double at) {
        return QRectF(p + (cw - size.width()) * 0.5, p + at, size.width(), size.height());
    };
    if (showsDetail) {
        row.texts.append(Text{shownDetail, detailFont, centred(detailSize, y), secondaryText});
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
    return Metrics{std::min(std::max(0.3 * w, 15.0), 96.0),
                   std::max(std::min(0.085 * w, 14.0), 9.0),
                   std::max(std::min(0.06 * w, 12.0), 5.0),
                   std::max(std::min(0.09 * w, 16.0), 6.0),
                   w >= 86,
                   w >= 96};
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
            return {QStringLiteral("\u2192") + endTimeText(*end, now, locale),
                    clockText(remainingSeconds(t, now)) + QStringLiteral(" left")};
        if (t.isCountdown() && isFinished(t, now))
            return {QStringLiteral("finished"), status};
    }
    return {clockText(shownSeconds(t, now)), status};
}

QString elided(const QString& text, const FontSpec& font, double width, const TextMeasure& measure)
{
    const bool rightToLeft = text.isRightToLeft();
    // A right-to-left mark after the ellipsis keeps it at the text's end, on its left.
    const QString ellipsis = rightToLeft ? QStringLiteral("\u2026\u200F") : QStringLiteral("\u2026");
    const auto cut = [&](qsizetype n) { return text.left(n).trimmed() + ellipsis; };
    if (measure.measure(text, font).width() <= width)
        return text;
    qsizetype low = 0;
    qsizetype high = text.size();
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (measure.measure(cut(mid), font).width() <= width)
            low = mid;
        else
            high = mid - 1;
    }
    // Never split a surrogate pair.
    if (low > 0 && text.at(low - 1).isHighSurrogate())
        --low;
    return cut(low);
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
    for (const Row& row : rows)
        columnWidth = std::max(columnWidth, row.size.width());
    const double inset = metrics(w).hudInset;

    // Rows fill a column from the top until the next would pass the height limit; the first
    // column holds the first timers. Each column has at least one row.
    QList<qsizetype> columnStarts{0};
    QList<double> columnHeights{0};
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const bool first = columnStarts.last() == i;
        const double grown = columnHeights.last() + (first ? 0 : kSeparatorGap) + rows[i].size.height();
        if (!first && settings.maxHeight > 0 && grown + 2 * inset > settings.maxHeight) {
            columnStarts.append(i);
            columnHeights.append(rows[i].size.height());
        } else {
            columnHeights.last() = grown;
        }
    }
    const double height = *std::max_element(columnHeights.begin(), columnHeights.end());
    const qsizetype columns = columnStarts.size();

    Layout result;
    result.size = QSizeF(columns * columnWidth + (columns - 1) * inset + 2 * inset, height + 2 * inset);
    for (qsizetype c = 0; c < columns; ++c) {
        const qsizetype begin = columnStarts[c];
        const qsizetype end = c + 1 < columns ? columnStarts[c + 1] : rows.size();
        const double left = inset + c * (columnWidth + inset);
        // The column's last timer sits at its bottom, its first on top; columns share their top.
        double y = height - columnHeights[c];
        for (qsizetype i = end - 1; i >= begin; --i) {
            const Row& row = rows[i];
            const QPointF origin(left + (columnWidth - row.size.width()) * 0.5, inset + y);
            for (Shape shape : row.shapes) {
                shape.frame.translate(origin);
                result.shapes.append(shape);
            }
            for (Text text : row.texts) {
                text.frame.translate(origin);
                result.texts.append(text);
            }
            if (!timers.isEmpty())
                result.rowFrames.append(
                    {timers[i].id, QRectF(left, inset + y, columnWidth, row.size.height())});
            y += row.size.height();
            if (i > begin) {
                result.shapes.append(
                    Shape{QRectF(left, inset + y + 5, columnWidth, 1), 0, ink(Ink::Separator), 0, {}});
                y += kSeparatorGap;
            }
        }
    }
    return result;
}

std::optional<QList<QRectF>> changedAreas(const Layout& before, const Layout& after, double textSlack,
                                          const TextMeasure& measure)
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
    for (qsizetype i = 0; i < after.texts.size(); ++i) {
        const Text& old = before.texts[i];
        const Text& now = after.texts[i];
        if (old == now)
            continue;
        QRectF frame = old.frame.united(now.frame);
        // A clock that keeps its place and look usually changes only its last digits: repaint
        // from the first character that differs.
        if (old.frame == now.frame && old.font == now.font && old.paint == now.paint &&
            old.text.size() == now.text.size()) {
            qsizetype same = 0;
            while (same < now.text.size() && old.text[same] == now.text[same])
                ++same;
            if (same > 0)
                frame.setLeft(frame.left() + measure.measure(now.text.left(same), now.font).width());
        }
        add(frame, frame, textSlack);
    }
    return areas;
}

} // namespace HUDLayout
