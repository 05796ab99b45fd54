#include "SoundButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

SoundButton::SoundButton(Kind kind, const QString& text, QWidget* parent)
    : QAbstractButton(parent), m_kind(kind)
{
    setText(text);
    setCheckable(kind == Kind::Radio);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(kind == Kind::Radio ? QSizePolicy::Preferred : QSizePolicy::Minimum, QSizePolicy::Fixed);
}

QStyleOptionButton SoundButton::styleOption() const
{
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = text();
    option.icon = icon();
    option.iconSize = iconSize();
    if (isDown())
        option.state |= QStyle::State_Sunken;
    if (m_kind == Kind::Radio) {
        option.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
    } else {
        if (isChecked())
            option.state |= QStyle::State_On;
        if (!isDown())
            option.state |= QStyle::State_Raised;
    }
    return option;
}

QSize SoundButton::sizeHint() const
{
    const QStyleOptionButton option = styleOption();
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, option.text);
    if (m_kind == Kind::Radio)
        return style()->sizeFromContents(QStyle::CT_RadioButton, &option, text, this);
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, text, this);
}

void SoundButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    const QStyleOptionButton option = styleOption();
    painter.drawControl(m_kind == Kind::Radio ? QStyle::CE_RadioButton : QStyle::CE_PushButton, option);
}

bool SoundButton::hitButton(const QPoint& pos) const
{
    if (m_kind == Kind::Push)
        return QAbstractButton::hitButton(pos);
    const QStyleOptionButton option = styleOption();
    return style()->subElementRect(QStyle::SE_RadioButtonClickRect, &option, this).contains(pos);
}
