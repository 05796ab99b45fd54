#include "SoundsPanel.h"

#include "hud/PanelStyle.h"

#include "SoundButton.h"
#include "core/SoundCatalogue.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCursor>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace {

// The layout below is written in points from the bottom left of the content, as the panel was
// drawn; Qt's widgets count from the top left.
class Placer
{
public:
    explicit Placer(int height) : m_height(height) {}
    void place(QWidget* widget, int x, int y, int width, int height) const
    {
        widget->setGeometry(x, m_height - y - height, width, height);
    }

private:
    int m_height;
};

QLabel* label(const QString& text, const QFont& font, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    return l;
}

} // namespace

SoundsPanel::SoundsPanel(Handlers handlers, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint),
      m_handlers(std::move(handlers))
{
    setWindowTitle(QStringLiteral("Sounds"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_MacAlwaysShowToolWindow);
}

SoundsPanel::~SoundsPanel()
{
    for (const QPointer<QWidget>& content : std::as_const(m_retired))
        delete content.data();
}

void SoundsPanel::rebuild(const Choices& choices)
{
    m_retired.removeAll(nullptr);
    if (m_content) {
        // The old controls may be the very ones whose click asked for this rebuild: take them
        // out of the window now and delete them once that click has returned.
        m_content->hide();
        m_content->setParent(nullptr);
        m_content->deleteLater();
        m_retired.append(m_content);
    }
    m_content = buildContent(choices);
    setFixedSize(m_content->size());
    m_content->show();
}

void SoundsPanel::centreOnScreen()
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The window's own platform window knows the frame around it; move() places that frame.
    winId();
    const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    QRect frame(QPoint(), size().grownBy(margins));
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void SoundsPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QWidget* SoundsPanel::buildContent(const Choices& choices)
{
    const QList<SoundCatalogue::Sound>& sounds = SoundCatalogue::allSounds();
    const int height = contentHeight(sounds.size());
    const Placer at(height);
    auto* content = new QWidget(this);
    content->setGeometry(0, 0, contentWidth, height);

    const int top = height - 16 - 20;
    QLabel* title = label(QStringLiteral("Pellow sounds"), PanelStyle::font(14, QFont::DemiBold), content);
    title->setObjectName(QStringLiteral("title"));
    at.place(title, 16, top, 398, 20);

    const QString play = QStringLiteral("\u25B6\uFE0E");
    QLabel* explanation =
        label(QStringLiteral("Listen with ") + play +
                  QStringLiteral(". Give a sound a job and you'll hear it take it: Up is when a "
                                 "timer is done, Half is the halfway nudge, Warn is the "
                                 "minutes-left mark."),
              PanelStyle::font(11), content);
    explanation->setObjectName(QStringLiteral("explanation"));
    explanation->setWordWrap(true);
    explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PanelStyle::makeSecondary(explanation);
    at.place(explanation, 16, top - 20 - 30, 398, 30);

    // One of each role's sounds is picked: its radio buttons form a group.
    QHash<QString, QButtonGroup*> groups;
    for (const Role& role : choices.roles)
        groups.insert(role.key, new QButtonGroup(content));
    int y = top - 20 - 42;
    for (const SoundCatalogue::Sound& sound : sounds) {
        y -= 28;
        auto* listen = new SoundButton(SoundButton::Kind::Push, play, content);
        listen->setObjectName(QStringLiteral("listen-") + sound.name);
        listen->setFont(PanelStyle::font(11));
        listen->setSoundKey(sound.name);
        listen->setToolTip(QStringLiteral("Hear ") + sound.title);
        at.place(listen, 16, y, 30, 22);
        connect(listen, &QAbstractButton::clicked, this, [this, listen] {
            if (m_handlers.listen)
                m_handlers.listen(listen->soundKey());
        });

        QLabel* name = label(sound.title, PanelStyle::font(12), content);
        name->setObjectName(QStringLiteral("name-") + sound.name);
        at.place(name, 54, y + 2, 150, 18);

        int x = 210;
        for (const Role& role : choices.roles) {
            if (role.offered.contains(sound.name)) {
                auto* box = new SoundButton(SoundButton::Kind::Radio, role.label, content);
                box->setObjectName(QStringLiteral("role-%1-%2").arg(role.key, sound.name));
                box->setFont(PanelStyle::font(11));
                box->setSoundKey(sound.name);
                box->setRole(role.key);
                groups.value(role.key)->addButton(box);
                box->setChecked(role.current == sound.name);
                at.place(box, x, y, 64, 22);
                connect(box, &QAbstractButton::clicked, this, [this, box] {
                    if (m_handlers.assign)
                        m_handlers.assign(box->soundKey(), box->role());
                });
            }
            x += 68;
        }
    }

    y -= 34;
    auto* chirps = new QCheckBox(QStringLiteral("Count the minutes in chirps"), content);
    chirps->setObjectName(QStringLiteral("chirpCount"));
    chirps->setFont(PanelStyle::font(12));
    chirps->setChecked(choices.chirpCount);
    at.place(chirps, 16, y, 230, 22);
    connect(chirps, &QAbstractButton::clicked, this, [this](bool on) {
        if (m_handlers.chirpCount)
            m_handlers.chirpCount(on);
    });

    auto* demo = new QPushButton(QStringLiteral("Hear two minutes"), content);
    demo->setObjectName(QStringLiteral("hearTwoMinutes"));
    demo->setFont(PanelStyle::font(11));
    const QSize fit = demo->sizeHint();
    at.place(demo, 414 - fit.width(), y - 1, fit.width(), fit.height());
    connect(demo, &QAbstractButton::clicked, this, [this] {
        if (m_handlers.demoChirps)
            m_handlers.demoChirps();
    });

    return content;
}
