#pragma once

#include <QFont>

class QWidget;

// The look shared by Pellow's small fixed-size windows.
namespace PanelStyle {

// A system font at a size in logical pixels (13 is ordinary text). Pixels rather than points,
// so texts keep their proportions to the windows' fixed widths at any font scale.
QFont font(int pixels, QFont::Weight weight = QFont::Normal);

// Faded window text, for hints, explanations and field labels.
void makeSecondary(QWidget* widget);

} // namespace PanelStyle
