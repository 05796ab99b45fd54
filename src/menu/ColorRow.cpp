#include "ColorRow.h"

#include "ColorImages.h"
#include "core/Colors.h"

#include <QToolButton>
#include <QWidget>

#include <algorithm>

namespace ColorRow {

namespace {

struct Choice
{
    int tag;
    QPixmap image;
    QString tooltip;
};

QList<Choice> choices(const std::optional<QString>& selected)
{
    QList<Choice> list;
    list.append({kNoColorTag, ColorImages::colorDot(std::nullopt, !selected, kButtonSize),
                 QStringLiteral("No color")});
    const auto& palette = Colors::colorPalette();
    for (qsizetype i = 0; i < palette.size(); ++i) {
        const auto& entry = palette[i];
        const QColor color =
            QColor::fromRgbF(static_cast<float>(entry.color.red), static_cast<float>(entry.color.green),
                             static_cast<float>(entry.color.blue));
        list.append({int(i), ColorImages::colorDot(color, selected == entry.key, kButtonSize), entry.title});
    }
    const bool custom = selected && selected->startsWith(QLatin1Char('#'));
    list.append({kAnyColorTag, ColorImages::colorWheel(custom), QStringLiteral("Any color\u2026")});
    return list;
}

} // namespace

QWidget* makeColorRow(const std::optional<QString>& selected, std::function<void(int tag)> onPick,
                      int minWidth, QWidget* parent)
{
    auto* row = new QWidget(parent);
    const int width = std::max(kNaturalWidth, minWidth);
    row->setFixedSize(width, kButtonSize);
    // Image-only buttons: no frame or padding, so the image fills the whole button; the one with
    // keyboard focus wears a ring in the highlight colour.
    row->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0px; margin: 0px; }"
                                      "QToolButton:focus { border: 2px solid palette(highlight); "
                                      "border-radius: %1px; }")
                           .arg(kButtonSize / 2));
    int x = std::max((width - kNaturalWidth) / 2, 0);
    for (const Choice& choice : choices(selected)) {
        auto* button = new QToolButton(row);
        button->setObjectName(QStringLiteral("color-%1").arg(choice.tag));
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIcon(QIcon(choice.image));
        button->setIconSize(QSize(kButtonSize, kButtonSize));
        button->setToolTip(choice.tooltip);
        button->setFocusPolicy(Qt::TabFocus);
        button->setGeometry(x, 0, kButtonSize, kButtonSize);
        QObject::connect(button, &QToolButton::clicked, row, [onPick, tag = choice.tag] {
            if (onPick)
                onPick(tag);
        });
        x += kButtonStep;
    }
    return row;
}

} // namespace ColorRow
