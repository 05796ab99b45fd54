#include "app/AppDelegate.h"

#include "HUDArrowPanel.h"
#include "HUDWidgetView.h"
#include "core/HUDLayout.h"
#include "core/HUDPlacement.h"
#include "platform/PreferenceStore.h"
#include "platform/Screens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

HUDPlacement::Stored AppDelegate::storedHUDPlace() const
{
    return HUDPlacement::Stored{storedInt(timerHUDCornerKey), storedInt(timerHUDScreenKey),
                                storedDouble(timerHUDXKey), storedDouble(timerHUDYKey)};
}

void AppDelegate::placeHUD(QSizeF size)
{
    if (!timerHUDWindow)
        return;
    const QList<HUDPlacement::Screen> screens = Screens::hudScreens();
    const HUDPlacement::Stored stored = storedHUDPlace();
    // Asking where the pointer is costs a round trip to the display: only when following it.
    const auto pointer =
        stored.screenChoice == -1 ? std::optional<QPointF>(Screens::toYUp(QCursor::pos())) : std::nullopt;
    const QPointF origin =
        HUDPlacement::place(screens, stored, Screens::screenIndexOf(timerHUDWindow), pointer, size);
    moveHUDContentTo(origin);
}

void AppDelegate::hudWasDragged()
{
    if (!timerHUDWindow)
        return;
    const QPointF origin = hudContentFrame().topLeft(); // y-up: the bottom-left corner
    PreferenceStore& prefs = m_platform.preferences;
    prefs.setInt(timerHUDCornerKey, HUDPlacement::kFree);
    prefs.setDouble(timerHUDXKey, origin.x());
    prefs.setDouble(timerHUDYKey, origin.y());
}

void AppDelegate::screensChanged()
{
    rebuildHUD();
}

void AppDelegate::watchScreens()
{
    const auto watch = [this](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, &AppDelegate::screensChanged);
        connect(screen, &QScreen::availableGeometryChanged, this, &AppDelegate::screensChanged);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::screenAdded, this, [this, watch](QScreen* screen) {
            watch(screen);
            screensChanged();
        });
        // A HUD on a screen that went away comes back on one that is there.
        connect(app, &QGuiApplication::screenRemoved, this,
                [this] { later(0, [this] { screensChanged(); }); });
    }
}

void AppDelegate::snapTimerHUD(const MenuItem& sender)
{
    if (sender.representedObject.typeId() != QMetaType::Int)
        return;
    m_platform.preferences.setInt(timerHUDCornerKey, sender.representedObject.toInt());
    rebuildHUD();
}

void AppDelegate::cycleTimerHUDCorner()
{
    m_platform.preferences.setInt(timerHUDCornerKey, HUDPlacement::nextCorner(storedInt(timerHUDCornerKey)));
    rebuildHUD();
}

void AppDelegate::moveHUDByArrow(quint16 key)
{
    const auto corner = HUDPlacement::cornerByArrow(storedInt(timerHUDCornerKey), key);
    if (!corner)
        return;
    m_platform.preferences.setInt(timerHUDCornerKey, *corner);
    rebuildHUD();
}

void AppDelegate::setHUDScreen(const MenuItem& sender)
{
    if (sender.representedObject.typeId() != QMetaType::QVariantMap)
        return;
    const QVariant id = sender.representedObject.toMap().value(QStringLiteral("id"));
    if (id.typeId() != QMetaType::Int)
        return;
    PreferenceStore& prefs = m_platform.preferences;
    prefs.setInt(timerHUDScreenKey, id.toInt());
    // Choosing a screen, or the pointer's, brings a free HUD back to a corner.
    if (id.toInt() != 0 && storedInt(timerHUDCornerKey).value_or(HUDPlacement::kTopRight) < 0)
        prefs.setInt(timerHUDCornerKey, HUDPlacement::kTopRight);
    rebuildHUD();
}

void AppDelegate::resizeHUDBy(double dx, double dy)
{
    if (!timerHUDWindow || !timerHUDView)
        return;
    const QRectF before = hudContentFrame();
    // Without a stored width, the width the rows fit to now.
    const double current = HUDLayout::baseWidth(hudSettings());
    const auto corner = storedInt(timerHUDCornerKey);
    const auto width = HUDPlacement::resizedWidth(corner, current, dx, dy);
    if (!width)
        return;
    m_platform.preferences.setDouble(timerHUDWidthKey, *width);
    resizingHUD = true;
    rebuildHUD();
    resizingHUD = false;
    moveHUDContentTo(HUDPlacement::anchoredOrigin(corner, before, timerHUDView->size()));
}
