#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

// The utility window that lists every sound of the catalogue with a listen button and one
// check box per role that may use it, plus the chirp-count switch and a two-chirp demo.
// It owns no settings: it shows the choices it is given and hands every press to its handlers.
class SoundsPanel final : public QWidget
{
public:
    // One role column: its label, the preference key it assigns, the sound names it is offered
    // for and the sound it names now.
    struct Role
    {
        QString label;
        QString key;
        QStringList offered;
        QString current;
    };
    struct Choices
    {
        QList<Role> roles;
        bool chirpCount = false;
    };
    // What the controls do; an absent handler leaves its control without effect.
    struct Handlers
    {
        std::function<void(const QString& soundKey)> listen;
        std::function<void(const QString& soundKey, const QString& role)> assign;
        std::function<void(bool on)> chirpCount;
        std::function<void()> demoChirps;
    };

    static constexpr int contentWidth = 430;
    static int contentHeight(qsizetype soundCount) { return static_cast<int>(soundCount) * 28 + 32 + 128; }

    explicit SoundsPanel(Handlers handlers, QWidget* parent = nullptr);
    ~SoundsPanel() override;

    // Replaces the controls with new ones built from `choices`; the window stays the same.
    void rebuild(const Choices& choices);
    // Centres the window on the screen under the pointer (else the primary screen).
    void centreOnScreen();

protected:
    // Escape closes the panel.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* buildContent(const Choices& choices);

    Handlers m_handlers;
    QPointer<QWidget> m_content;
    // Earlier content, out of the window but possibly still inside the click that replaced it.
    QList<QPointer<QWidget>> m_retired;
};
