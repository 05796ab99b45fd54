#include "app/AppDelegate.h"

#include "core/NewTimerRules.h"
#include "core/TimeTexts.h"
#include "newtimer/EndAtWindow.h"
#include "newtimer/NewTimerWindow.h"

#include <QDateTimeEdit>

namespace {

const QString kPastNotice = QStringLiteral("That time has already gone by");

} // namespace

void AppDelegate::newTimerEndAt()
{
    if (!newTimerEndPicker)
        return;
    const auto seconds = NewTimerRules::endAtLength(NewTimerWindow::pickedMoment(*newTimerEndPicker), now());
    if (!seconds) {
        postNotice(kPastNotice);
        return;
    }
    commitNewTimer(*seconds, false);
}

void AppDelegate::timerEndAt(const MenuItem& sender)
{
    const PellowTimer* timer = senderTimer(sender);
    if (!timer)
        return;
    const QString id = timer->id;
    const QString name = TimeTexts::displayName(*timer, timers);
    // A window that was setting a timer up again gives way: the next "New timer…" is a new one.
    forgetNewTimerSetup();
    closeNewTimerWindow();

    const QPointer<AppDelegate> self(this);
    EndAtWindow::Handlers handlers;
    handlers.start = [self] {
        if (self)
            self->confirmEndAt();
    };
    handlers.cancel = [self] {
        if (self)
            self->newTimerCancel();
    };
    const EndAtWindow::Window window = EndAtWindow::build(name, defaultEndAtDate(), handlers);
    newTimerWindow = window.panel;
    newTimerEndPicker = window.endPicker;
    endAtTargetID = id;
    NewTimerWindow::present(window.panel, window.endPicker);
    // The hour, not the year: typing 18:45 sets the time of the picked day.
    window.endPicker->setSelectedSection(QDateTimeEdit::HourSection);
}

void AppDelegate::confirmEndAt()
{
    if (!endAtTargetID || !newTimerEndPicker)
        return;
    const auto seconds = NewTimerRules::endAtLength(NewTimerWindow::pickedMoment(*newTimerEndPicker), now());
    if (!seconds) {
        postNotice(kPastNotice);
        return;
    }
    const QString id = *std::exchange(endAtTargetID, std::nullopt);
    forgetNewTimerSetup();
    closeNewTimerWindow();
    PellowTimer* timer = timerWithID(id);
    if (!timer)
        return;
    // A plain countdown of the length up to the moment, from zero; name, colour and place stay.
    applyLength(*timer, *seconds);
    commitChange();
}
