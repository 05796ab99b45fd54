#include "app/AppDelegate.h"

#include "core/HUDMenuModel.h"
#include "platform/MenuRenderer.h"
#include "platform/PreferenceStore.h"
#include "platform/Screens.h"

#include <QMenu>

HUDMenuState AppDelegate::hudMenuState() const
{
    const PreferenceStore& prefs = m_platform.preferences;
    HUDMenuState state;
    state.status = statusMenuState();
    state.display = prefs.stringValue(timerDisplayKey).value_or(QString());
    state.storedWidth = storedDouble(timerHUDWidthKey).value_or(0);
    state.alpha = storedDouble(timerHUDAlphaKey).value_or(1.0);
    state.corner = storedInt(timerHUDCornerKey);
    state.screenChoice = storedInt(timerHUDScreenKey);
    state.screens = Screens::hudScreens();
    return state;
}

Menu AppDelegate::hudContextMenu(QPointF point) const
{
    std::optional<QString> rowID;
    for (const auto& [id, frame] : timerHUDRowFrames) {
        if (frame.contains(point)) {
            rowID = id;
            break;
        }
    }
    return HUDMenuModel::hudContextMenu(hudMenuState(), rowID);
}

QMenu* AppDelegate::hudContextQMenu(QPointF point)
{
    const QPointer<AppDelegate> self(this);
    // Chosen items run once the menu has closed, like the tray menu's.
    return MenuRenderer::render(hudContextMenu(point), [self](const MenuItem& item) {
        QMetaObject::invokeMethod(
            self,
            [self, item] {
                if (self)
                    self->performMenuAction(item);
            },
            Qt::QueuedConnection);
    });
}
