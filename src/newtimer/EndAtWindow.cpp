#include "EndAtWindow.h"

#include "NewTimerWindow.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace EndAtWindow {

namespace {

constexpr int kRowWidth = 300;
constexpr int kButtonGap = 8;

void connectClick(QPushButton* button, const std::function<void()>& handler)
{
    QObject::connect(button, &QPushButton::clicked, button, [handler] {
        if (handler)
            handler();
    });
}

} // namespace

Window build(const QString& timerName, double endAt, const Handlers& handlers)
{
    using NewTimerWindow::makeButton;
    using NewTimerWindow::makeLabel;

    Window window;
    auto* panel = new FormPanel(QStringLiteral("endAtWindow"), QStringLiteral("End at"), handlers.cancel,
                                handlers.start);
    window.panel = panel;

    QLabel* header =
        makeLabel(QStringLiteral("Finish %1 at\u2026").arg(timerName), 14, true, false, kRowWidth, panel);
    header->setObjectName(QStringLiteral("endAtHeader"));
    QLabel* hint =
        makeLabel(QStringLiteral("It counts down to that moment."), 11, false, true, kRowWidth, panel);

    window.endPicker = NewTimerWindow::makeEndPicker(endAt, kRowWidth, panel);
    window.endPicker->setObjectName(QStringLiteral("endPicker"));

    auto* buttons = new QWidget(panel);
    QPushButton* start = makeButton(QStringLiteral("Start"), 0, buttons);
    start->setObjectName(QStringLiteral("endAtStart"));
    connectClick(start, handlers.start);
    QPushButton* cancel = makeButton(QStringLiteral("Cancel"), 0, buttons);
    cancel->setObjectName(QStringLiteral("endAtCancel"));
    connectClick(cancel, handlers.cancel);
    buttons->setFixedSize(kRowWidth, std::max(start->height(), cancel->height()));
    start->move(kRowWidth - start->width(), 0);
    cancel->move(start->x() - kButtonGap - cancel->width(), 0);

    NewTimerWindow::stackRows(panel, {header, hint, window.endPicker, buttons});
    return window;
}

} // namespace EndAtWindow
