#pragma once

#include <QColor>

// KDE's colour scheme as its settings file holds it now. Qt reads the scheme once, at start;
// Plasma announces a switch on the session bus, and this reads the new one.
namespace KdeColourScheme {

// The scheme's text colour for windows and panels; invalid where no scheme says one.
QColor windowText();

} // namespace KdeColourScheme
