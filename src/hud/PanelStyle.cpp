#include "PanelStyle.h"

#include <QGuiApplication>
#include <QPalette>
#include <QWidget>

namespace PanelStyle {

QFont font(int pixels, QFont::Weight weight)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

void makeSecondary(QWidget* widget)
{
    QPalette palette = widget->palette();
    QColor faded = palette.color(QPalette::WindowText);
    faded.setAlphaF(0.6f);
    palette.setColor(QPalette::WindowText, faded);
    widget->setPalette(palette);
}

} // namespace PanelStyle
