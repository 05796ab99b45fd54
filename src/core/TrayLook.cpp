#include "TrayLook.h"

#include <QStringList>

#include <algorithm>

namespace TrayLook {

namespace {

bool desktopIs(const QString& desktop, QLatin1String name)
{
    const QStringList parts = desktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return std::any_of(parts.begin(), parts.end(),
                       [name](const QString& part) { return part.compare(name, Qt::CaseInsensitive) == 0; });
}

} // namespace

Glyph glyphFor(const QString& desktop, bool paletteDark)
{
    // GNOME's top bar (and Pantheon's, and Unity's) is dark whatever the application theme.
    for (const char* dark : {"GNOME", "Unity", "Pantheon", "Budgie"})
        if (desktopIs(desktop, QLatin1String(dark)))
            return Glyph::Light;
    // Plasma's panel follows the colour scheme the application palette comes from.
    if (desktopIs(desktop, QLatin1String("KDE")))
        return paletteDark ? Glyph::Light : Glyph::Dark;
    return Glyph::HostTinted;
}

bool drawsClockInIcon(const QString& desktop)
{
    return desktopIs(desktop, QLatin1String("KDE"));
}

QString themeIconName(Symbol symbol, Glyph glyph, bool clockInIcon)
{
    if (clockInIcon || glyph != Glyph::HostTinted)
        return QString();
    return symbol == Symbol::Checkmark ? QStringLiteral("pellow-checkmark-symbolic")
                                       : QStringLiteral("pellow-timer-symbolic");
}

} // namespace TrayLook
