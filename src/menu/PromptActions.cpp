#include "app/AppDelegate.h"

#include "core/LengthParser.h"
#include "core/TimeTexts.h"
#include "core/TimerBounds.h"
#include "menu/PromptWindow.h"
#include "platform/Screens.h"

#include <QLineEdit>

#include <utility>

void AppDelegate::showPrompt(const QString& title, const QString& message, const QList<PromptField>& fields,
                             const QString& confirmTitle, std::function<void(const QStringList&)> done)
{
    closePrompt();
    hudPromptDone = std::move(done);
    hudPromptFields.clear();

    QList<PromptWindow::Field> rows;
    for (const PromptField& field : fields)
        rows.append({field.label, field.placeholder, field.initialValue});
    auto* panel = new PromptWindow(title, message, rows, confirmTitle);

    // A panel already closed may still see a late event before it is deleted; only the open
    // prompt's panel acts.
    const auto whileOpen = [self = QPointer<AppDelegate>(this),
                            open = QPointer<QWidget>(panel)](void (AppDelegate::*action)()) {
        return [self, open, action] {
            if (self && open && self->hudPromptWindow == open)
                (self.data()->*action)();
        };
    };
    panel->onConfirm = whileOpen(&AppDelegate::hudPromptConfirm);
    panel->onCancel = whileOpen(&AppDelegate::hudPromptCancel);
    panel->onEscape = whileOpen(&AppDelegate::closePrompt);
    for (QLineEdit* field : panel->fields())
        hudPromptFields.append(field);
    hudPromptWindow = panel;

    panel->adjustSize();
    Screens::centreOnScreen(panel, Screens::placementScreen());
    panel->show();
    panel->raise();
    panel->activateWindow();
    if (!hudPromptFields.isEmpty()) {
        // Selected, so typing replaces what the field was filled with.
        hudPromptFields.first()->setFocus();
        hudPromptFields.first()->selectAll();
    }
}

void AppDelegate::hudPromptConfirm()
{
    QStringList values;
    for (const QPointer<QLineEdit>& field : std::as_const(hudPromptFields))
        values.append(field ? field->text() : QString());
    const auto done = std::exchange(hudPromptDone, nullptr);
    closePrompt();
    if (done)
        done(values);
}

void AppDelegate::hudPromptCancel()
{
    closePrompt();
}

void AppDelegate::closePrompt()
{
    if (QWidget* panel = hudPromptWindow.data()) {
        panel->hide();
        panel->deleteLater();
    }
    hudPromptWindow.clear();
    hudPromptFields.clear();
    hudPromptDone = nullptr;
}

void AppDelegate::timerRename(const MenuItem& sender)
{
    const PellowTimer* timer = senderTimer(sender);
    if (!timer)
        return;
    const QString id = timer->id;
    showPrompt(QStringLiteral("Name this timer"),
               QStringLiteral("Whatever you'll know it by \u2014 Laundry, Pomodoro, Parking meter."),
               {{QStringLiteral("Name"), QStringLiteral("Laundry"), timer->label}}, QStringLiteral("Name it"),
               [self = QPointer<AppDelegate>(this), id](const QStringList& values) {
                   if (!self)
                       return;
                   PellowTimer* named = self->timerWithID(id);
                   if (!named)
                       return;
                   named->label = TimerBounds::fitText(TimeTexts::trimSpacesAndTabs(values.value(0)));
                   self->commitChange();
               });
}

void AppDelegate::timerCustomLength(const MenuItem& sender)
{
    const PellowTimer* timer = senderTimer(sender);
    if (!timer)
        return;
    const QString id = timer->id;
    showPrompt(QStringLiteral("Count down from\u2026"),
               QStringLiteral("Minutes (25), or a clock (7:30, 1:05:00)."),
               {{QStringLiteral("Length"), QStringLiteral("25"), TimeTexts::clockText(timer->duration)}},
               QStringLiteral("Start"), [self = QPointer<AppDelegate>(this), id](const QStringList& values) {
                   if (!self)
                       return;
                   const auto seconds = LengthParser::acceptedLength(values.value(0));
                   if (!seconds) {
                       self->postNotice(QStringLiteral("Couldn't read that length"));
                       return;
                   }
                   PellowTimer* changed = self->timerWithID(id);
                   if (!changed)
                       return;
                   self->applyLength(*changed, *seconds);
                   self->commitChange();
               });
}
