#pragma once

#include "hud/HUDArrowPanel.h"

#include <QList>
#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// A floating panel with a default action: Return anywhere inside it that no control takes
// (in a text field, on the date picker, on a button) goes to `onReturn`.
class FormPanel : public HUDArrowPanel
{
public:
    // Escape runs `cancel`, Return the default action `confirm`.
    FormPanel(const QString& name, const QString& title, std::function<void()> cancel,
              std::function<void()> confirm);
    std::function<void()> onReturn;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The window in which a timer is set up: preset lengths, a typed length, an end time, a colour,
// a stopwatch and an optional name. It only shows the controller's state and reports the
// user's choices; it decides nothing.
namespace NewTimerWindow {

struct Content
{
    QString header;
    bool wantsName = false;
    QString nameDraft;
    QString lengthDraft;
    std::optional<QString> color;
    // The end-time picker's starting moment, seconds since 1970.
    double endAt = 0;
};

struct Handlers
{
    std::function<void(int seconds)> preset;
    // "Start" and Return.
    std::function<void()> custom;
    std::function<void()> endAt;
    std::function<void(int tag)> colorPicked;
    std::function<void()> stopwatch;
    std::function<void()> toggleName;
    // "Cancel" and Escape.
    std::function<void()> cancel;
};

struct Window
{
    FormPanel* panel = nullptr;
    QLineEdit* lengthField = nullptr;
    // None without the name row.
    QLineEdit* nameField = nullptr;
    QDateTimeEdit* endPicker = nullptr;
};

// Builds the panel, hidden; the caller owns it.
Window build(const Content& content, const Handlers& handlers);

// --- Shared with the end-at window ---

// Font sizes are in logical pixels, like every other size of these windows.

// A label `width` wide and as high as its wrapped text needs.
QLabel* makeLabel(const QString& text, int fontSize, bool bold, bool secondary, int width, QWidget* parent);
// A push button sized to fit its title, at least `minWidth` wide.
QPushButton* makeButton(const QString& title, int minWidth, QWidget* parent, int fontSize = 13);

// A date and hours:minutes picker (no seconds) starting at `instant`, `width` wide.
QDateTimeEdit* makeEndPicker(double instant, int width, QWidget* parent);
// The picked moment, seconds since 1970.
double pickedMoment(const QDateTimeEdit& picker);
// Stacks `rows` (children of `panel`) top to bottom, 10 apart, each centred, 18 in from the
// panel's edges, and gives the panel the size that holds them.
void stackRows(QWidget* panel, const QList<QWidget*>& rows);
// Puts the panel at `place`, else centres it on the screen under the pointer; shows it active and
// focuses `focus`.
void present(QWidget* panel, QWidget* focus, std::optional<QPoint> place = std::nullopt);

} // namespace NewTimerWindow
