#include "app/AppDelegate.h"

#include "core/LengthParser.h"
#include "core/NewTimerRules.h"
#include "core/TimeTexts.h"
#include "newtimer/NewTimerWindow.h"
#include "platform/PreferenceStore.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QTimeZone>
#include <QUuid>

#include <utility>

namespace {

QString newTimerID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// A window callback that runs a controller action only while the controller is alive.
template <typename... Args>
std::function<void(Args...)> weakly(AppDelegate* app, void (AppDelegate::*action)(Args...))
{
    return [self = QPointer<AppDelegate>(app), action](Args... args) {
        if (self)
            (self.data()->*action)(args...);
    };
}

} // namespace

void AppDelegate::newTimer()
{
    openNewTimerWindow();
}

void AppDelegate::timerSetupAgain(const MenuItem& sender)
{
    const PellowTimer* timer = senderTimer(sender);
    if (!timer)
        return;
    newTimerTargetID = timer->id;
    newTimerColor = timer->color;
    newTimerNameDraft = timer->label;
    newTimerWantsName = !timer->label.isEmpty();
    openNewTimerWindow();
}

void AppDelegate::newTimerPreset(int seconds)
{
    commitNewTimer(seconds, false);
}

void AppDelegate::newTimerCustom()
{
    const QString text =
        TimeTexts::trimHorizontal(newTimerLengthField ? newTimerLengthField->text() : QString());
    if (text.isEmpty()) {
        postNotice(QStringLiteral("Pick a length, or type one"));
        return;
    }
    const auto seconds = LengthParser::acceptedLength(text);
    if (!seconds) {
        postNotice(QStringLiteral("Couldn't read that length"));
        return;
    }
    commitNewTimer(*seconds, false);
}

void AppDelegate::newTimerStopwatch()
{
    commitNewTimer(0, true);
}

void AppDelegate::newTimerToggleName()
{
    if (newTimerNameField)
        newTimerNameDraft = newTimerNameField->text();
    if (newTimerLengthField)
        newTimerLengthDraft = newTimerLengthField->text();
    if (newTimerWindow)
        newTimerWindowPlace = newTimerWindow->pos();
    newTimerWantsName = !newTimerWantsName;
    openNewTimerWindow();
}

void AppDelegate::newTimerCancel()
{
    forgetNewTimerSetup();
    closeNewTimerWindow();
}

void AppDelegate::forgetNewTimerSetup()
{
    newTimerTargetID.reset();
    newTimerColor.reset();
    newTimerNameDraft.clear();
    newTimerLengthDraft.clear();
    newTimerWantsName = false;
}

void AppDelegate::openNewTimerWindow()
{
    closeNewTimerWindow();

    NewTimerWindow::Content content;
    content.header = QStringLiteral("New timer");
    if (newTimerTargetID)
        if (const PellowTimer* target = timerWithID(*newTimerTargetID))
            content.header = QStringLiteral("Set %1 again").arg(TimeTexts::displayName(*target, timers));
    content.wantsName = newTimerWantsName;
    content.nameDraft = newTimerNameDraft;
    content.lengthDraft = std::exchange(newTimerLengthDraft, QString());
    content.color = newTimerColor;
    content.endAt = defaultEndAtDate();

    NewTimerWindow::Handlers handlers;
    handlers.preset = weakly(this, &AppDelegate::newTimerPreset);
    handlers.custom = weakly(this, &AppDelegate::newTimerCustom);
    handlers.endAt = weakly(this, &AppDelegate::newTimerEndAt);
    handlers.colorPicked = weakly(this, &AppDelegate::newTimerColorPicked);
    handlers.stopwatch = weakly(this, &AppDelegate::newTimerStopwatch);
    handlers.toggleName = weakly(this, &AppDelegate::newTimerToggleName);
    handlers.cancel = weakly(this, &AppDelegate::newTimerCancel);

    const NewTimerWindow::Window window = NewTimerWindow::build(content, handlers);
    newTimerWindow = window.panel;
    newTimerLengthField = window.lengthField;
    newTimerNameField = window.nameField;
    newTimerEndPicker = window.endPicker;

    QWidget* focus = newTimerWantsName && window.nameField ? window.nameField : window.lengthField;
    NewTimerWindow::present(window.panel, focus, std::exchange(newTimerWindowPlace, std::nullopt));
}

void AppDelegate::closeNewTimerWindow()
{
    if (newTimerWindow) {
        newTimerWindow->hide();
        // Later: this often runs inside a click on one of the panel's own buttons.
        newTimerWindow->deleteLater();
    }
    newTimerWindow = nullptr;
    newTimerNameField = nullptr;
    newTimerLengthField = nullptr;
    newTimerEndPicker = nullptr;
}

void AppDelegate::commitNewTimer(double seconds, bool stopwatch)
{
    const QString name =
        TimeTexts::trimSpacesAndTabs(newTimerNameField ? newTimerNameField->text() : QString());
    newTimerNameDraft.clear();
    newTimerLengthDraft.clear();
    newTimerWantsName = false;
    closeNewTimerWindow();
    const std::optional<QString> color = std::exchange(newTimerColor, std::nullopt);
    PreferenceStore& prefs = platform().preferences;

    if (!newTimerTargetID) {
        addNewTimer(seconds, stopwatch, name, color);
        return;
    }

    const QString id = *std::exchange(newTimerTargetID, std::nullopt);
    if (PellowTimer* target = timerWithID(id)) {
        NewTimerRules::rearmTimer(*target, name, color, seconds, stopwatch, now());
        commitChange();
    }
    if (!prefs.boolValue(timerHUDVisibleKey)) {
        prefs.setBool(timerHUDVisibleKey, true);
        refresh(true);
    }
}

QString AppDelegate::addNewTimer(double seconds, bool stopwatch, const QString& name,
                                 const std::optional<QString>& color)
{
    PellowTimer timer = NewTimerRules::makeNewTimer(newTimerID(), name, color, seconds, stopwatch);
    startTimer(timer);
    timers.append(timer);
    saveTimers();
    // A new timer shows the HUD, so it is seen running.
    PreferenceStore& prefs = platform().preferences;
    if (!prefs.boolValue(timerHUDVisibleKey))
        prefs.setBool(timerHUDVisibleKey, true);
    refresh(true);
    return timer.id;
}

double AppDelegate::defaultEndAtDate() const
{
    return NewTimerRules::defaultEndAt(now(), QTimeZone::systemTimeZone());
}
