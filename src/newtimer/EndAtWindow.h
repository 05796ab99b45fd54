#pragma once

#include <QString>

#include <functional>

class FormPanel;
class QDateTimeEdit;

// The small window that makes an existing timer count down to a picked moment.
namespace EndAtWindow {

struct Handlers
{
    // "Start" and Return.
    std::function<void()> start;
    // "Cancel" and Escape.
    std::function<void()> cancel;
};

struct Window
{
    FormPanel* panel = nullptr;
    QDateTimeEdit* endPicker = nullptr;
};

// Builds the panel for the timer shown as `timerName`, hidden; the caller owns it. The picker
// starts at `endAt`, seconds since 1970.
Window build(const QString& timerName, double endAt, const Handlers& handlers);

} // namespace EndAtWindow
