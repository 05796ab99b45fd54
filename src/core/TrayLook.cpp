#include "TrayLook.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace TrayLook {

namespace {

bool desktopIs(const QString& desktop, QLatin1String name)
{
    const QStringList parts = desktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return std::any_of(parts.begin(), parts.end(),
                       [name](const QString& part) { return part.compare(name, Qt::CaseInsensitive) == 0; });
}

struct KnownHost
{
    const char* program;
    const char* plugin; // for wrapper programs: the plugin named in the arguments
    Host host;
};

// Measured on each panel: whether it shows the label, and whether it recolours a symbolic icon.
const KnownHost kHosts[] = {
    {"gnome-shell", nullptr, {true, Tint::Host}},
    {"ayatana-indicator-application-service", nullptr, {true, Tint::Host}},
    {"indicator-application-service", nullptr, {true, Tint::Host}},
    // MATE's notification area runs out of the panel's process, as an applet of its own; it shows
    // a label in place of the icon, so the clock goes in the icon there.
    {"notification-area-applet", nullptr, {false, Tint::None, false, true}},
    {"mate-panel", nullptr, {false, Tint::None, false, true}},
    {"kded5", nullptr, {false, Tint::Palette, true}},
    {"kded6", nullptr, {false, Tint::Palette, true}},
    {"plasmashell", nullptr, {false, Tint::Palette, true}},
    // XFCE's own tray runs inside the panel; its sntray plugin in a wrapper of its own.
    {"xfce4-panel", nullptr, {false, Tint::Host}},
    {"wrapper-2.0", "sntray", {false, Tint::None}},
    {"wrapper-2.0", "systray", {false, Tint::Host}},
    {"lxqt-panel", nullptr, {false, Tint::None}},
};

} // namespace

Host hostFor(const QString& program, const QStringList& arguments, const QString& desktop)
{
    const QString name = program.section(QLatin1Char('/'), -1);
    for (const KnownHost& known : kHosts) {
        if (name != QLatin1String(known.program))
            continue;
        if (!known.plugin)
            return known.host;
        const QLatin1String plugin(known.plugin);
        if (std::any_of(arguments.begin(), arguments.end(), [plugin](const QString& arg) {
                return arg.compare(plugin, Qt::CaseInsensitive) == 0;
            }))
            return known.host;
    }
    // An unknown program: the desktop may still say what its panel does.
    if (desktopIs(desktop, QLatin1String("KDE")))
        return {false, Tint::Palette, true};
    if (desktopIs(desktop, QLatin1String("GNOME")))
        return {true, Tint::Host};
    return {};
}

ClockStyle clockStyleFrom(const QString& stored)
{
    if (stored == QLatin1String("label"))
        return ClockStyle::Label;
    if (stored == QLatin1String("icon"))
        return ClockStyle::Icon;
    return ClockStyle::Auto;
}

QString clockStyleName(ClockStyle style)
{
    switch (style) {
    case ClockStyle::Label:
        return QStringLiteral("label");
    case ClockStyle::Icon:
        return QStringLiteral("icon");
    case ClockStyle::Auto:
        break;
    }
    return QStringLiteral("auto");
}

ClockPlace clockPlace(const Host& host, ClockStyle style)
{
    switch (style) {
    case ClockStyle::Label:
        return {true, false};
    case ClockStyle::Icon:
        return {false, true};
    case ClockStyle::Auto:
        break;
    }
    if (!host.showsLabel)
        return {true, true};
    return {*host.showsLabel, !*host.showsLabel};
}

QString iconName(Symbol symbol, Tint tint, bool clockInIcon)
{
    if (clockInIcon || tint == Tint::Palette)
        return QString();
    const bool checkmark = symbol == Symbol::Checkmark;
    if (tint == Tint::Host)
        return checkmark ? QStringLiteral("pellow-checkmark-symbolic")
                         : QStringLiteral("pellow-timer-symbolic");
    return checkmark ? QStringLiteral("pellow-checkmark") : QStringLiteral("pellow-timer");
}

QPoint menuAnchor(const QPoint& given, const QPoint& pointer, const QList<QRect>& screens)
{
    constexpr int kPanelDepth = 64; // deeper than any panel
    constexpr int kNearPointer = 96;
    const bool onPanelEdge = std::any_of(screens.begin(), screens.end(), [&given](const QRect& screen) {
        if (!screen.contains(given))
            return false;
        return given.x() - screen.left() < kPanelDepth || screen.right() - given.x() < kPanelDepth ||
               given.y() - screen.top() < kPanelDepth || screen.bottom() - given.y() < kPanelDepth;
    });
    const QPoint apart = given - pointer;
    const bool byPointer = std::abs(apart.x()) <= kNearPointer && std::abs(apart.y()) <= kNearPointer;
    return onPanelEdge && byPointer ? given : pointer;
}

} // namespace TrayLook
