#include "app/AppDelegate.h"

#include "core/Colors.h"
#include "core/TimeTexts.h"
#include "platform/Screens.h"

#include <QColorDialog>
#include <QLineEdit>

namespace {

std::optional<QColor> drawable(const std::optional<QString>& stored)
{
    const auto rgb = Colors::resolveColor(stored);
    if (!rgb)
        return std::nullopt;
    return QColor::fromRgbF(static_cast<float>(rgb->red), static_cast<float>(rgb->green),
                            static_cast<float>(rgb->blue));
}

} // namespace

void AppDelegate::setTimerColor(const MenuItem& sender)
{
    if (sender.representedObject.typeId() != QMetaType::QVariantMap)
        return;
    const QVariant color = sender.representedObject.toMap().value(QStringLiteral("color"));
    PellowTimer* timer = senderTimer(sender);
    if (!timer)
        return;
    timer->color = color.typeId() == QMetaType::QString ? std::optional(color.toString()) : std::nullopt;
    commitChange();
}

void AppDelegate::timerPickColor(const MenuItem& sender)
{
    const QString id = menuTimerID(sender);
    colorTargetTimerID = id.isEmpty() ? std::nullopt : std::optional(id);
    openColorPicker();
}

void AppDelegate::openColorPicker()
{
    if (!colorPanel) {
        colorPanel = new QColorDialog;
        colorPanel->setOption(QColorDialog::DontUseNativeDialog);
        colorPanel->setWindowFlag(Qt::WindowStaysOnTopHint);
        colorPanel->setModal(false);
        colorPanel->setObjectName(QStringLiteral("colorPanel"));
        // A pick is reported when the user settles on a colour, not while dragging.
        connect(colorPanel, &QColorDialog::colorSelected, this, &AppDelegate::colorPanelPicked);
    }
    std::optional<QColor> start;
    if (colorTargetTimerID)
        if (const PellowTimer* target = timerWithID(*colorTargetTimerID))
            start = drawable(target->color);
    if (!start)
        start = drawable(newTimerColor);
    if (start)
        colorPanel->setCurrentColor(*start);
    if (!colorPanel->isVisible())
        Screens::centreOnScreen(colorPanel, Screens::placementScreen());
    colorPanel->show();
    colorPanel->raise();
    colorPanel->activateWindow();
}

void AppDelegate::colorPanelPicked(const QColor& color)
{
    const QColor rgb = color.toExtendedRgb();
    const QString hex = Colors::hexColorString({rgb.redF(), rgb.greenF(), rgb.blueF()});
    if (!colorTargetTimerID) {
        newTimerColor = hex;
        if (newTimerWindow) {
            if (newTimerNameField)
                newTimerNameDraft = newTimerNameField->text();
            openNewTimerWindow();
        }
        return;
    }
    // The target stays: every further pick goes to the same timer until another is chosen.
    PellowTimer* target = timerWithID(*colorTargetTimerID);
    if (!target)
        return;
    target->color = hex;
    commitChange();
}

void AppDelegate::newTimerColorPicked(int tag)
{
    const auto& palette = Colors::colorPalette();
    if (tag == 999) {
        colorTargetTimerID.reset();
        openColorPicker();
        return;
    }
    if (tag == -1)
        newTimerColor.reset();
    else if (tag >= 0 && tag < palette.size())
        newTimerColor = palette[tag].key;
    else
        return;
    if (newTimerNameField)
        newTimerNameDraft = newTimerNameField->text();
    openNewTimerWindow();
}
