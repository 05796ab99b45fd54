#pragma once

#include "HUDFonts.h"
#include "core/HUDLayout.h"

#include <QHash>
#include <QStaticText>

#include <map>

class QPainter;
class QRegion;

// Draws the HUD's texts from layouts it keeps: a clock character by character, each character
// shaped once, so a new second costs a glyph or two; any other text whole, shaped once while it
// stays the same. Only what the exposed region touches is drawn.
class HUDTextPainter
{
public:
    void draw(QPainter& painter, const HUDLayout::Text& text, const QRectF& frame, const QRegion& exposed,
              const HUDFonts::Measure& measure);

private:
    const QStaticText& staticText(const QString& text, const HUDLayout::FontSpec& font);

    std::map<HUDFonts::FontKey, QHash<QString, QStaticText>> m_texts;
};
