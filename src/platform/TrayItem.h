#pragma once

#include "core/MenuModel.h"
#include "core/TrayLook.h"

#include <QString>

#include <functional>

// The status item in the panel: an icon, an optional clock title beside it and the status menu.
class TrayItem
{
public:
    enum class Icon
    {
        Timer,
        Checkmark
    };
    // What the item hands back to its owner.
    struct Handlers
    {
        // An item of the status menu was chosen.
        std::function<void(const MenuItem&)> action;
        // The status menu is about to open: the owner sets a fresh one, so its times are current.
        std::function<void()> aboutToShow;
        // A middle click on the item.
        std::function<void()> secondaryActivate;
    };

    virtual ~TrayItem() = default;

    // False when there is no tray to show the item in.
    virtual bool hasButton() const = 0;
    virtual void setIcon(Icon icon) = 0;
    virtual Icon icon() const = 0;
    virtual QString title() const = 0;
    // Sets the clock title; `shown` chooses the icon followed by the title, or the icon alone.
    virtual void setTitle(const QString& title, bool shown) = 0;
    // What the item's tooltip says about the timers; it changes at most once a minute.
    virtual void setToolTip(const QString& text) { static_cast<void>(text); }
    // Where the clock goes: beside the icon, in it, or as the panel suits ("trayClockStyle").
    virtual void setClockStyle(TrayLook::ClockStyle style) { static_cast<void>(style); }
    virtual void setMenu(const Menu& menu) = 0;
    virtual void setHandlers(Handlers handlers) = 0;
    // A message from the item itself, used when no notification service answers.
    virtual void showMessage(const QString& title, const QString& body) = 0;
};
