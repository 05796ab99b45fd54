// The least a Qt program pays each second for what Pellow does each second with the HUD shown:
// one wake-up, one digit repainted in a frameless, translucent window kept above the others, and
// one D-Bus signal carrying two strings (the tray's label). Nothing else: no layout, no menus, no
// preferences. bench/idle_check.py runs it on the same display and bus as Pellow (its "floor"
// case), so what Pellow costs above it is Pellow's own.
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QPainter>
#include <QPainterPath>
#include <QStaticText>
#include <QTimer>
#include <QWidget>

#include <array>

namespace {

class DigitPanel final : public QWidget
{
public:
    DigitPanel()
    {
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                       Qt::WindowDoesNotAcceptFocus);
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        resize(240, 80);
        for (int d = 0; d < 10; ++d)
            m_digits[d] = QStaticText(QString::number(d));
    }

    void advance()
    {
        m_second = (m_second + 1) % 10;
        update(kDigit);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath panel;
        panel.addRoundedRect(rect(), 10, 10);
        p.fillPath(panel, QColor(40, 40, 40, 220));
        p.setPen(Qt::white);
        p.setFont(m_font);
        p.drawStaticText(kDigit.topLeft(), m_digits[m_second]);
    }

private:
    static constexpr QRect kDigit{100, 20, 40, 40};
    QFont m_font{QStringLiteral("sans"), 24};
    std::array<QStaticText, 10> m_digits;
    int m_second = 0;
};

} // namespace

int main(int argc, char** argv)
{
    // As Pellow runs on X11.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    DigitPanel panel;
    panel.show();
    QDBusConnection bus = QDBusConnection::sessionBus();
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        panel.advance();
        QDBusMessage label = QDBusMessage::createSignal(QStringLiteral("/StatusNotifierItem"),
                                                        QStringLiteral("org.kde.StatusNotifierItem"),
                                                        QStringLiteral("XAyatanaNewLabel"));
        label << QStringLiteral("00:%1").arg(59 - ++ticks % 60, 2, 10, QLatin1Char('0'))
              << QStringLiteral("00:00");
        bus.send(label);
    });
    tick.start(1000);
    return app.exec();
}
