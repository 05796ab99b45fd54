#pragma once

#include "core/HUDLayout.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>

#include <map>
#include <utility>

// The HUD's fonts, and text measured in them for its layout.
namespace HUDFonts {

QFont font(const HUDLayout::FontSpec& spec);

// Digits and a clock's separators: shaped alike wherever they stand, so such a text is measured
// and drawn character by character.
bool isClockText(const QString& text);

// A font as the caches key it: its role and whole pixels, as `font` makes it.
using FontKey = std::pair<int, int>;
FontKey fontKey(const HUDLayout::FontSpec& spec);

class Measure final : public HUDLayout::TextMeasure
{
public:
    QSizeF measure(const QString& text, const HUDLayout::FontSpec& font) const override;
    double charAdvance(QChar c, const HUDLayout::FontSpec& font) const;
    double ascent(const HUDLayout::FontSpec& font) const;
    double descent(const HUDLayout::FontSpec& font) const;

private:
    const QFontMetricsF& metrics(const FontKey& key) const;
    double charAdvance(QChar c, const FontKey& key) const;
    double advance(const QString& text, const FontKey& key) const;

    // A HUD uses a handful of fonts; their metrics are made once.
    mutable std::map<FontKey, QFontMetricsF> m_metrics;
    // Every tick measures every row again, and shaping text is the dearest part of it: widths
    // already known are looked up. Clocks are summed from their characters' cached advances, so
    // a new second costs no shaping either.
    mutable std::map<FontKey, QHash<QString, double>> m_widths;
    mutable std::map<std::pair<FontKey, char16_t>, double> m_charAdvances;
};

} // namespace HUDFonts
