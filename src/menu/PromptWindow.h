#pragma once

#include "hud/HUDArrowPanel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QLineEdit;

// The small floating prompt: a bold title, a grey explanation, one labelled line field per
// row and a button row with "Cancel" and the confirm button. It knows nothing of the
// controller: Return (in a field, on the confirm button or anywhere else on the panel) calls
// `onConfirm`, the "Cancel" button `onCancel`, Escape the panel's `onEscape`.
class PromptWindow final : public HUDArrowPanel
{
public:
    struct Field
    {
        QString label;
        QString placeholder;
        QString initialValue;
    };

    PromptWindow(const QString& title, const QString& message, const QList<Field>& fields,
                 const QString& confirmTitle, QWidget* parent = nullptr);

    // The text fields, in display order.
    const QList<QLineEdit*>& fields() const { return m_fields; }

    std::function<void()> onConfirm;
    std::function<void()> onCancel;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QList<QLineEdit*> m_fields;
};
