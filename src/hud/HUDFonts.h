#pragma once

#include "core/HUDLayout.h"

#include <QFont>
#include <QFontMetricsF>

#include <map>
#include <utility>

// The HUD's fonts, and text measured in them for its layout.
namespace HUDFonts {

QFont font(const HUDLayout::FontSpec& spec);

class Measure final : public HUDLayout::TextMeasure
{
public:
    QSizeF measure(const QString& text, const HUDLayout::FontSpec& font) const override;

private:
    // A HUD uses a handful of fonts; their metrics are made once.
    mutable std::map<std::pair<int, int>, QFontMetricsF> m_metrics;
};

} // namespace HUDFonts
