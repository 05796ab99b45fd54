#include "app/AppDelegate.h"

#include "HUDArrowPanel.h"
#include "HUDFonts.h"
#include "HUDResizeGrip.h"
#include "HUDWidgetView.h"
#include "core/HUDLayout.h"
#include "platform/PreferenceStore.h"
#include "platform/Screens.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

#include <cmath>

namespace {

constexpr int kShadowMargin = 10;
constexpr double kFlashStep = 0.16;
constexpr double kFlashDimAlpha = 0.12;

} // namespace

std::optional<int> AppDelegate::storedInt(const QString& key) const
{
    const QJsonValue v = m_platform.preferences.value(key);
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (d != std::floor(d) || std::abs(d) > 1e9)
        return std::nullopt;
    return int(d);
}

std::optional<double> AppDelegate::storedDouble(const QString& key) const
{
    const QJsonValue v = m_platform.preferences.value(key);
    return v.isDouble() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

double AppDelegate::hudAlpha() const
{
    return HUDLayout::clampedAlpha(storedDouble(timerHUDAlphaKey).value_or(1.0));
}

HUDLayout::Settings AppDelegate::hudSettings() const
{
    const PreferenceStore& prefs = m_platform.preferences;
    HUDLayout::Settings settings;
    settings.display = prefs.stringValue(timerDisplayKey).value_or(settings.display);
    settings.storedWidth = storedDouble(timerHUDWidthKey).value_or(0);
    settings.size = prefs.stringValue(timerHUDSizeKey).value_or(settings.size);
    return settings;
}

void AppDelegate::makeHUDWindow()
{
    auto* panel = new HUDArrowPanel();
    panel->setObjectName(QStringLiteral("timerHUD"));
    panel->setWindowTitle(QStringLiteral("Pellow HUD"));
    panel->setAttribute(Qt::WA_ShowWithoutActivating);
    // Pausing a timer from its row leaves the keyboard with the window the user was typing in; a
    // click on the background or the context menu gives it to the HUD for its arrows and Escape.
    panel->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    panel->setShadowMargin(kShadowMargin);
    const QPointer<AppDelegate> self(this);
    panel->onArrow = [self](quint16 key) {
        if (self)
            self->moveHUDByArrow(key);
    };
    panel->onEscape = [self] {
        if (self)
            self->hideTimerHUD();
    };
    auto* view = new HUDWidgetView(m_platform.scheduler, panel);
    view->move(kShadowMargin, kShadowMargin);
    view->menuProvider = [self, panel](QPointF at) {
        panel->takeKeyboard();
        return self ? self->hudContextQMenu(at) : nullptr;
    };
    view->onDoubleClick = [self] {
        if (self)
            self->cycleTimerHUDCorner();
    };
    view->onClick = [self](QPointF at) {
        if (self)
            self->hudRowClicked(at);
    };
    view->onDragEnd = [self] {
        if (self)
            self->hudWasDragged();
    };
    view->resizeGrip()->onDrag = [self](double dx, double dy) {
        if (self)
            self->resizeHUDBy(dx, dy);
    };
    view->resizeGrip()->onDone = [self] {
        if (self)
            self->rebuildHUD();
    };
    timerHUDWindow = panel;
    timerHUDView = view;
    hudMeasure = std::make_unique<HUDFonts::Measure>();
    // A native Wayland client can neither keep a window above others nor place it: say so once.
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        postNotice(
            QStringLiteral("On this Wayland desktop the HUD can't stay above other windows or remember "
                           "where you put it."));
}

void AppDelegate::rebuildHUD()
{
    PreferenceStore& prefs = m_platform.preferences;
    if (!prefs.boolValue(timerHUDVisibleKey)) {
        if (timerHUDWindow && timerHUDWindow->isVisible())
            timerHUDWindow->hide();
        return;
    }
    if (!timerHUDWindow)
        makeHUDWindow();
    HUDLayout::Settings settings = hudSettings();
    // Never taller than the screen it is on: further rows wrap into another column.
    if (const QScreen* screen = timerHUDWindow->screen())
        settings.maxHeight = std::max(0, screen->availableGeometry().height() - 2 * kShadowMargin);
    HUDLayout::Layout layout =
        HUDLayout::layout(timers, settings, hudFlashRowID, now(), QLocale::system(), *hudMeasure);
    timerHUDRowFrames = layout.rowFrames;
    timerHUDView->setGripCorner(HUDPlacement::gripCorner(storedInt(timerHUDCornerKey)));
    timerHUDView->setHUDLayout(std::move(layout), *hudMeasure);
    const QSize windowSize = timerHUDView->size() + QSize(2 * kShadowMargin, 2 * kShadowMargin);
    if (timerHUDWindow->size() != windowSize)
        timerHUDWindow->resize(windowSize);
    if (!resizingHUD)
        placeHUD(QSizeF(timerHUDView->size())); // whole pixels, as the window has them
    const double alpha = hudAlpha();
    if (!m_hudFlashing && std::abs(timerHUDWindow->windowOpacity() - alpha) > 0.001)
        timerHUDWindow->setWindowOpacity(alpha);
    if (!timerHUDWindow->isVisible()) {
        timerHUDWindow->show();
        timerHUDWindow->raise();
    }
}

QRectF AppDelegate::hudContentFrame() const
{
    if (!timerHUDView)
        return {};
    const QRect global(timerHUDView->mapToGlobal(QPoint(0, 0)), timerHUDView->size());
    return QRectF(Screens::bottomLeftYUp(global), QSizeF(global.size()));
}

void AppDelegate::moveHUDContentTo(QPointF bottomLeft)
{
    if (!timerHUDWindow || !timerHUDView)
        return;
    const QPoint topLeft =
        Screens::topLeftFromYUp(bottomLeft, timerHUDView->size()) - QPoint(kShadowMargin, kShadowMargin);
    if (timerHUDWindow->pos() != topLeft)
        timerHUDWindow->move(topLeft);
}

void AppDelegate::hudRowClicked(QPointF point)
{
    stopRinging();
    const auto row = std::find_if(timerHUDRowFrames.cbegin(), timerHUDRowFrames.cend(),
                                  [point](const auto& entry) { return entry.second.contains(point); });
    if (row == timerHUDRowFrames.cend()) {
        if (timerHUDWindow)
            timerHUDWindow->takeKeyboard();
        return;
    }
    const QString id = row->first;
    PellowTimer* timer = timerWithID(id);
    if (!timer)
        return;
    if (timer->running)
        pauseTimer(*timer);
    else
        startTimer(*timer);
    hudFlashRowID = id;
    commitChange();
    later(0.4, [this, id] {
        if (hudFlashRowID != id)
            return;
        hudFlashRowID.reset();
        rebuildHUD();
    });
}

void AppDelegate::flashHUD()
{
    if (!timerHUDWindow || !timerHUDWindow->isVisible() || m_hudFlashing)
        return;
    m_hudFlashing = true;
    for (int step = 1; step <= 6; ++step) {
        later(step * kFlashStep, [this, step] {
            if (!timerHUDWindow)
                return;
            const bool last = step == 6;
            timerHUDWindow->setWindowOpacity(step % 2 ? kFlashDimAlpha : hudAlpha());
            if (last)
                m_hudFlashing = false;
        });
    }
}

void AppDelegate::toggleTimerHUD()
{
    PreferenceStore& prefs = platform().preferences;
    const bool visible = !prefs.boolValue(timerHUDVisibleKey);
    prefs.setBool(timerHUDVisibleKey, visible);
    if (!visible && timerHUDWindow)
        timerHUDWindow->hide();
    refresh(true);
}

void AppDelegate::hideTimerHUD()
{
    m_platform.preferences.setBool(timerHUDVisibleKey, false);
    if (timerHUDWindow)
        timerHUDWindow->hide();
    refresh(true);
}

void AppDelegate::setTimerDisplay(const MenuItem& sender)
{
    if (sender.representedObject.typeId() != QMetaType::QString)
        return;
    m_platform.preferences.setString(timerDisplayKey, sender.representedObject.toString());
    rebuildHUD();
}

void AppDelegate::setTimerHUDWidth(const MenuItem& sender)
{
    bool ok = false;
    const double width = sender.representedObject.toDouble(&ok);
    if (sender.representedObject.typeId() != QMetaType::Double || !ok || !std::isfinite(width))
        return;
    m_platform.preferences.setDouble(timerHUDWidthKey, width);
    rebuildHUD();
}

void AppDelegate::resetTimerHUDSize()
{
    m_platform.preferences.remove(timerHUDWidthKey);
    rebuildHUD();
}

void AppDelegate::setTimerHUDSize(const MenuItem& sender)
{
    if (sender.representedObject.typeId() != QMetaType::QString)
        return;
    m_platform.preferences.setString(timerHUDSizeKey, sender.representedObject.toString());
    rebuildHUD();
}

void AppDelegate::setTimerHUDAlpha(const MenuItem& sender)
{
    const double alpha = sender.representedObject.toDouble();
    if (sender.representedObject.typeId() != QMetaType::Double || !std::isfinite(alpha))
        return;
    m_platform.preferences.setDouble(timerHUDAlphaKey, alpha);
    if (timerHUDWindow)
        timerHUDWindow->setWindowOpacity(hudAlpha());
}
