#include "PromptWindow.h"

#include "hud/PanelStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kContentWidth = 300;
constexpr int kFieldHeight = 24;
constexpr int kMargin = 16;
constexpr int kSpacing = 10;
constexpr int kLabelGap = 3;
constexpr int kButtonGap = 8;

QLabel* makeLabel(QWidget* parent, const QString& text, const QString& name, int pixels, QFont::Weight weight)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(PanelStyle::font(pixels, weight));
    return label;
}

} // namespace

PromptWindow::PromptWindow(const QString& title, const QString& message, const QList<Field>& fields,
                           const QString& confirmTitle, QWidget* parent)
    : HUDArrowPanel(parent)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    stack->setSpacing(kSpacing);
    stack->setSizeConstraint(QLayout::SetFixedSize);

    QLabel* titleLabel = makeLabel(this, title, QStringLiteral("promptTitle"), 14, QFont::DemiBold);
    titleLabel->setFixedWidth(kContentWidth);
    stack->addWidget(titleLabel);

    QLabel* messageLabel = makeLabel(this, message, QStringLiteral("promptMessage"), 11, QFont::Normal);
    messageLabel->setWordWrap(true);
    messageLabel->setFixedWidth(kContentWidth);
    PanelStyle::makeSecondary(messageLabel);
    stack->addWidget(messageLabel);

    for (const Field& description : fields) {
        auto* row = new QVBoxLayout;
        row->setSpacing(kLabelGap);
        QLabel* label = makeLabel(this, description.label, QString(), 11, QFont::Medium);
        PanelStyle::makeSecondary(label);
        row->addWidget(label, 0, Qt::AlignLeft);

        auto* field = new QLineEdit(description.initialValue, this);
        field->setObjectName(QStringLiteral("promptField%1").arg(m_fields.size()));
        field->setPlaceholderText(description.placeholder);
        field->setFont(PanelStyle::font(13));
        field->setFixedSize(kContentWidth, kFieldHeight);
        label->setBuddy(field);
        row->addWidget(field);
        stack->addLayout(row);
        m_fields.append(field);
    }

    // Made left to right, so Tab goes from the last field to "Cancel" and then to confirm.
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("promptCancel"));
    auto* confirm = new QPushButton(confirmTitle, this);
    confirm->setObjectName(QStringLiteral("promptConfirm"));
    confirm->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, [this] {
        if (onCancel)
            onCancel();
    });
    connect(confirm, &QPushButton::clicked, this, [this] {
        if (onConfirm)
            onConfirm();
    });

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kButtonGap);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(confirm);
    stack->addLayout(buttons);
}

// A line field leaves Return to its parent, and so does a button that is not the default one:
// Return anywhere on the panel confirms, as the default button's key would.
void PromptWindow::keyPressEvent(QKeyEvent* event)
{
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!isReturn || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        HUDArrowPanel::keyPressEvent(event);
        return;
    }
    event->accept();
    if (onConfirm)
        onConfirm();
}
