#include "HUDFonts.h"

#include "PanelStyle.h"

#include <cmath>

namespace HUDFonts {

QFont font(const HUDLayout::FontSpec& spec)
{
    using HUDLayout::FontRole;
    const int pixels = std::max(1, int(std::lround(spec.size)));
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

QSizeF Measure::measure(const QString& text, const HUDLayout::FontSpec& spec) const
{
    const auto key = std::make_pair(int(spec.role), int(std::lround(spec.size)));
    auto it = m_metrics.find(key);
    if (it == m_metrics.end())
        it = m_metrics.emplace(key, QFontMetricsF(font(spec))).first;
    return QSizeF(std::ceil(it->second.horizontalAdvance(text)), std::ceil(it->second.height()));
}

} // namespace HUDFonts
