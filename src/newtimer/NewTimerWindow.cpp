#include "NewTimerWindow.h"

#include "hud/PanelStyle.h"
#include "menu/ColorRow.h"
#include "platform/Screens.h"

#include <QAbstractButton>
#include <QDateTimeEdit>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <cmath>

FormPanel::FormPanel(const QString& name, const QString& title, std::function<void()> cancel,
                     std::function<void()> confirm)
    : onReturn(std::move(confirm))
{
    setObjectName(name);
    setWindowTitle(title);
    onEscape = std::move(cancel);
}

void FormPanel::keyPressEvent(QKeyEvent* event)
{
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && !(event->modifiers() & ~Qt::KeypadModifier)) {
        // A focused button is what Return presses; the default action is for everything else.
        if (auto* button = qobject_cast<QAbstractButton*>(focusWidget())) {
            event->accept();
            button->click();
            return;
        }
        if (onReturn) {
            event->accept();
            onReturn();
            return;
        }
    }
    HUDArrowPanel::keyPressEvent(event);
}

namespace NewTimerWindow {

namespace {

constexpr int kRowWidth = 320;
constexpr int kFieldWidth = 228;
constexpr int kFieldHeight = 24;
constexpr int kWideButton = 84;
constexpr int kPresetGap = 8;
constexpr int kRowGap = 10;
constexpr int kMargin = 18;

// Lengths in minutes. The three-button row is the prominent one.
const QList<QList<int>> kPresetRows = {{5, 10, 20}, {1, 15, 30, 60}};

// The width a button's title needs, without the minimum width styles give text buttons.
QSize fittedSize(const QPushButton* button)
{
    const QStyle* style = button->style();
    const int padding = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                        style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    return {button->fontMetrics().horizontalAdvance(button->text()) + 2 * padding,
            button->sizeHint().height()};
}

QString presetTitle(int minutes)
{
    return minutes == 60 ? QStringLiteral("1 hr") : QStringLiteral("%1 min").arg(minutes);
}

QWidget* makeRow(QWidget* panel, int width, int height)
{
    auto* row = new QWidget(panel);
    row->setFixedSize(width, height);
    return row;
}

QLineEdit* makeField(const QString& placeholder, int width, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setPlaceholderText(placeholder);
    field->setFont(PanelStyle::font(13));
    field->resize(width, std::max(kFieldHeight, field->sizeHint().height()));
    return field;
}

template <typename Handler, typename... Args> auto calling(const Handler& handler, Args... args)
{
    return [handler, args...] {
        if (handler)
            handler(args...);
    };
}

QWidget* presetRow(QWidget* panel, const QList<int>& minutes, const Handlers& handlers)
{
    const bool prominent = minutes.size() == 3;
    const QFont font = prominent ? PanelStyle::font(13, QFont::Medium) : PanelStyle::font(11);
    const int minWidth = prominent ? 92 : 68;
    QList<QPushButton*> buttons;
    int total = 0;
    int height = kFieldHeight;
    for (int m : minutes) {
        auto* button = new QPushButton(presetTitle(m));
        button->setObjectName(QStringLiteral("preset-%1").arg(m * 60));
        button->setFont(font);
        const QSize fitted = fittedSize(button);
        button->resize(std::max(fitted.width() + 12, minWidth), fitted.height());
        QObject::connect(button, &QPushButton::clicked, button, calling(handlers.preset, m * 60));
        buttons.append(button);
        total += button->width();
        height = std::max(height, button->height());
    }
    total += kPresetGap * std::max(int(buttons.size()) - 1, 0);
    QWidget* row = makeRow(panel, std::max(total, kRowWidth), height);
    int x = std::max((row->width() - total) / 2, 0);
    for (QPushButton* button : buttons) {
        button->setParent(row);
        button->move(x, 0);
        x += button->width() + kPresetGap;
    }
    return row;
}

// A control at the left and a button at the right edge of a 320-wide row.
QWidget* pairRow(QWidget* panel, QWidget* left, QWidget* right, int rightY, bool centreLeft)
{
    const int height = std::max(left->height(), right->height() + rightY);
    QWidget* row = makeRow(panel, kRowWidth, height);
    left->setParent(row);
    right->setParent(row);
    left->move(0, centreLeft ? (height - left->height()) / 2 : 0);
    right->move(kRowWidth - right->width(), rightY);
    return row;
}

} // namespace

QLabel* makeLabel(const QString& text, int fontSize, bool bold, bool secondary, int width, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    // Names are shown as typed: "<b>Tea</b>" is not markup.
    label->setTextFormat(Qt::PlainText);
    label->setFont(PanelStyle::font(fontSize, bold ? QFont::DemiBold : QFont::Normal));
    label->setWordWrap(true);
    if (secondary)
        PanelStyle::makeSecondary(label);
    label->setFixedSize(width, label->heightForWidth(width));
    return label;
}

QPushButton* makeButton(const QString& title, int minWidth, QWidget* parent, int fontSize)
{
    auto* button = new QPushButton(title, parent);
    button->setFont(PanelStyle::font(fontSize));
    const QSize fitted = fittedSize(button);
    button->resize(std::max(fitted.width(), minWidth), fitted.height());
    return button;
}

QDateTimeEdit* makeEndPicker(double instant, int width, QWidget* parent)
{
    auto* picker = new QDateTimeEdit(parent);
    picker->setFont(PanelStyle::font(13));
    // A fixed, unambiguous form: the full date and the 24-hour time, without seconds.
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd  HH:mm"));
    if (std::isfinite(instant) && std::abs(instant) < 1e13)
        picker->setDateTime(QDateTime::fromMSecsSinceEpoch(std::llround(instant * 1000)));
    picker->resize(width, std::max(kFieldHeight, picker->sizeHint().height()));
    return picker;
}

double pickedMoment(const QDateTimeEdit& picker)
{
    return static_cast<double>(picker.dateTime().toMSecsSinceEpoch()) / 1000.0;
}

void stackRows(QWidget* panel, const QList<QWidget*>& rows)
{
    int width = 0;
    int height = 0;
    for (QWidget* row : rows) {
        width = std::max(width, row->width());
        height += row->height();
    }
    height += kRowGap * std::max(int(rows.size()) - 1, 0);
    int y = kMargin;
    for (QWidget* row : rows) {
        row->move(kMargin + (width - row->width()) / 2, y);
        y += row->height() + kRowGap;
    }
    panel->setFixedSize(width + 2 * kMargin, height + 2 * kMargin);
}

void present(QWidget* panel, QWidget* focus, std::optional<QPoint> place)
{
    if (place)
        panel->move(*place);
    else
        Screens::centreOnScreen(panel, Screens::placementScreen());
    panel->show();
    panel->raise();
    panel->activateWindow();
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
}

Window build(const Content& content, const Handlers& handlers)
{
    Window window;
    auto* panel = new FormPanel(QStringLiteral("newTimerWindow"), QStringLiteral("New timer"),
                                handlers.cancel, handlers.custom);
    window.panel = panel;

    QList<QWidget*> rows;
    QLabel* header = makeLabel(content.header, 15, true, false, kRowWidth, panel);
    header->setObjectName(QStringLiteral("newTimerHeader"));
    rows << header;
    rows << makeLabel(QStringLiteral("Pick a length, or type your own."), 11, false, true, kRowWidth, panel);
    for (const QList<int>& minutes : kPresetRows)
        rows << presetRow(panel, minutes, handlers);

    window.lengthField = makeField(QStringLiteral("Other \u2014 7:30, 90, 1:05:00"), kFieldWidth, nullptr);
    window.lengthField->setObjectName(QStringLiteral("lengthField"));
    window.lengthField->setText(content.lengthDraft);
    QPushButton* start = makeButton(QStringLiteral("Start"), kWideButton, nullptr);
    start->setObjectName(QStringLiteral("startButton"));
    QObject::connect(start, &QPushButton::clicked, start, calling(handlers.custom));
    rows << pairRow(panel, window.lengthField, start, 0, false);

    window.endPicker = makeEndPicker(content.endAt, kFieldWidth, nullptr);
    window.endPicker->setObjectName(QStringLiteral("endPicker"));
    QPushButton* endAt = makeButton(QStringLiteral("End at"), kWideButton, nullptr);
    endAt->setObjectName(QStringLiteral("endAtButton"));
    endAt->setToolTip(QStringLiteral("Count down to that moment"));
    QObject::connect(endAt, &QPushButton::clicked, endAt, calling(handlers.endAt));
    rows << pairRow(panel, window.endPicker, endAt, 0, true);

    rows << ColorRow::makeColorRow(content.color, handlers.colorPicked, kRowWidth, panel);

    QPushButton* stopwatch = makeButton(QStringLiteral("Stopwatch"), 0, nullptr, 11);
    stopwatch->setObjectName(QStringLiteral("stopwatchButton"));
    stopwatch->setToolTip(QStringLiteral("Count up from zero instead of down"));
    QObject::connect(stopwatch, &QPushButton::clicked, stopwatch, calling(handlers.stopwatch));
    QPushButton* toggle = makeButton(
        content.wantsName ? QStringLiteral("Hide name") : QStringLiteral("Name it\u2026"), 0, nullptr, 11);
    toggle->setObjectName(QStringLiteral("nameToggle"));
    toggle->setFlat(true);
    // A flat button draws no focus frame of its own: it wears a ring while it has keyboard focus.
    toggle->setStyleSheet(
        QStringLiteral("QPushButton:focus { border: 2px solid palette(highlight); border-radius: 4px; }"));
    QObject::connect(toggle, &QPushButton::clicked, toggle, calling(handlers.toggleName));
    rows << pairRow(panel, stopwatch, toggle, 1, false);

    if (content.wantsName) {
        QWidget* row = makeRow(panel, kRowWidth, 0);
        window.nameField = makeField(QStringLiteral("Name (Laundry, Pomodoro\u2026)"), kRowWidth, row);
        window.nameField->setObjectName(QStringLiteral("nameField"));
        window.nameField->setText(content.nameDraft);
        row->setFixedHeight(window.nameField->height());
        rows << row;
    }

    QPushButton* cancel = makeButton(QStringLiteral("Cancel"), 0, nullptr);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(cancel, &QPushButton::clicked, cancel, calling(handlers.cancel));
    QWidget* cancelRow = makeRow(panel, kRowWidth, cancel->height());
    cancel->setParent(cancelRow);
    cancel->move(kRowWidth - cancel->width(), 0);
    rows << cancelRow;

    stackRows(panel, rows);
    return window;
}

} // namespace NewTimerWindow
