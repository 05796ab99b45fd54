#include "HUDTextPainter.h"

#include "HUDFonts.h"

#include <QPainter>
#include <QRegion>

namespace {

constexpr qsizetype kMostTexts = 256; // per font: the digits and the names and ends on show

} // namespace

const QStaticText& HUDTextPainter::staticText(const QString& text, const HUDLayout::FontSpec& font)
{
    QHash<QString, QStaticText>& texts = m_texts[HUDFonts::fontKey(font)];
    auto it = texts.find(text);
    if (it == texts.end()) {
        if (texts.size() >= kMostTexts)
            texts.clear();
        QStaticText made(text);
        made.setTextFormat(Qt::PlainText);
        made.setPerformanceHint(QStaticText::AggressiveCaching);
        it = texts.insert(text, made);
    }
    return *it;
}

void HUDTextPainter::draw(QPainter& painter, const HUDLayout::Text& text, const QRectF& frame,
                          const QRegion& exposed, const HUDFonts::Measure& measure)
{
    // Centred in its frame, as it was measured; a line's top is its ascent above the baseline.
    const double top = frame.center().y() - (measure.ascent(text.font) + measure.descent(text.font)) / 2;
    if (!HUDFonts::isClockText(text.text)) {
        const QStaticText& whole = staticText(text.text, text.font);
        const double left = frame.center().x() - whole.size().width() / 2;
        painter.drawStaticText(QPointF(left, top), whole);
        return;
    }
    double width = 0;
    for (const QChar c : text.text)
        width += measure.charAdvance(c, text.font);
    double x = frame.center().x() - width / 2;
    for (const QChar c : text.text) {
        const double advance = measure.charAdvance(c, text.font);
        // A glyph may reach a little past its advance on either side.
        const QRectF cell(x - 2, frame.top(), advance + 4, frame.height());
        if (exposed.intersects(cell.toAlignedRect()))
            painter.drawStaticText(QPointF(x, top), staticText(QString(c), text.font));
        x += advance;
    }
}
