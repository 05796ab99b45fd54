#pragma once

#include <QAbstractButton>
#include <QString>

class QStyleOptionButton;

// A button of the Sounds panel that carries the sound it stands for and, for a role's radio
// button, the preference key of the role it assigns. It draws as a push button or a radio button.
class SoundButton final : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(QString soundKey READ soundKey WRITE setSoundKey)
    Q_PROPERTY(QString role READ role WRITE setRole)

public:
    enum class Kind
    {
        Push,
        Radio
    };

    explicit SoundButton(Kind kind, const QString& text = QString(), QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    QString soundKey() const { return m_soundKey; }
    void setSoundKey(const QString& soundKey) { m_soundKey = soundKey; }
    QString role() const { return m_role; }
    void setRole(const QString& role) { m_role = role; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QStyleOptionButton styleOption() const;

    Kind m_kind;
    QString m_soundKey;
    QString m_role;
};
