#include "HUDFonts.h"

#include "PanelStyle.h"

#include <algorithm>
#include <cmath>

namespace HUDFonts {

QFont font(const HUDLayout::FontSpec& spec)
{
    using HUDLayout::FontRole;
    const int pixels = fontKey(spec).second;
    switch (spec.role) {
    case FontRole::Clock:
        return PanelStyle::font(pixels, QFont::DemiBold);
    case FontRole::Name:
        return PanelStyle::font(pixels, QFont::Medium);
    case FontRole::Detail:
    case FontRole::Placeholder:
        break;
    }
    return PanelStyle::font(pixels);
}

namespace {

constexpr qsizetype kMostWidths = 512; // per font; a day's texts of a few timers

} // namespace

bool isClockText(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || c == u':' || c == u'-' || c == u'\u2212' || c == u'+';
    });
}

FontKey fontKey(const HUDLayout::FontSpec& spec)
{
    return FontKey(int(spec.role), std::max(1, int(std::lround(spec.size))));
}

const QFontMetricsF& Measure::metrics(const FontKey& key) const
{
    auto it = m_metrics.find(key);
    if (it == m_metrics.end())
        it = m_metrics.emplace(key, QFontMetricsF(font({HUDLayout::FontRole(key.first), double(key.second)})))
                 .first;
    return it->second;
}

double Measure::charAdvance(QChar c, const FontKey& key) const
{
    const auto charKey = std::make_pair(key, c.unicode());
    auto it = m_charAdvances.find(charKey);
    if (it == m_charAdvances.end())
        it = m_charAdvances.emplace(charKey, metrics(key).horizontalAdvance(c)).first;
    return it->second;
}

double Measure::charAdvance(QChar c, const HUDLayout::FontSpec& font) const
{
    return charAdvance(c, fontKey(font));
}

double Measure::ascent(const HUDLayout::FontSpec& font) const
{
    return metrics(fontKey(font)).ascent();
}

double Measure::descent(const HUDLayout::FontSpec& font) const
{
    return metrics(fontKey(font)).descent();
}

double Measure::advance(const QString& text, const FontKey& key) const
{
    if (!isClockText(text))
        return metrics(key).horizontalAdvance(text);
    double sum = 0;
    for (const QChar c : text)
        sum += charAdvance(c, key);
    return sum;
}

QSizeF Measure::measure(const QString& text, const HUDLayout::FontSpec& spec) const
{
    const FontKey key = fontKey(spec);
    QHash<QString, double>& widths = m_widths[key];
    auto it = widths.constFind(text);
    if (it == widths.constEnd()) {
        if (widths.size() >= kMostWidths)
            widths.clear();
        it = widths.insert(text, std::ceil(advance(text, key)));
    }
    return QSizeF(*it, std::ceil(metrics(key).height()));
}

} // namespace HUDFonts
