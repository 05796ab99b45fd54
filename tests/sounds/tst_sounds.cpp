#include "ControllerFixture.h"
#include "core/SoundCatalogue.h"
#include "sound/SoundButton.h"

#include <QButtonGroup>
#include <QFile>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace {

// The samples of a rendered sound; empty unless the file is exactly what the writer makes: a
// 44-byte header for mono 16-bit PCM at 44.1 kHz, then the data chunk to the end of the file.
QList<qint16> readWav(const QString& name)
{
    QFile file(QStringLiteral(PELLOW_SOUNDS_DIR "/%1.wav").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = file.readAll();
    const auto u16 = [&b](qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    const auto u32 = [&b](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    if (b.size() < 46 || b.size() % 2 != 0 || !b.startsWith("RIFF") || u32(4) != b.size() - 8 ||
        b.mid(8, 8) != "WAVEfmt " || u32(16) != 16 || u16(20) != 1 || u16(22) != 1 || u32(24) != 44100 ||
        u32(28) != 88200 || u16(32) != 2 || u16(34) != 16 || b.mid(36, 4) != "data" ||
        u32(40) != b.size() - 44)
        return {};
    QList<qint16> samples;
    for (qsizetype i = 44; i < b.size(); i += 2)
        samples.append(qFromLittleEndian<qint16>(b.constData() + i));
    return samples;
}

} // namespace

// The rendered sound files, and the Sounds panel that plays and assigns them.
class TstSounds : public QObject
{
    Q_OBJECT

    std::unique_ptr<ControllerFixture> f;

    QWidget* panel() const { return f->app->soundsPanel.data(); }
    QAbstractButton* button(const QString& name) const { return panel()->findChild<QAbstractButton*>(name); }
    QStringList checkedIn(const QString& role) const
    {
        QStringList on;
        for (const SoundButton* box : panel()->findChildren<SoundButton*>())
            if (box->role() == role && box->isChecked())
                on.append(box->soundKey());
        return on;
    }
    void open(const QJsonObject& prefs = {})
    {
        f->launch({}, prefs);
        f->app->openSoundsPanel();
    }
    // Clicks where a user would: on a check box's indicator, inside a push button.
    static void press(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, 11)); }

private slots:
    void init() { f = std::make_unique<ControllerFixture>(); }

    // Every sound the app offers, with the length its role allows: finish sounds 0.6–2.5 s,
    // nudges 0.04–0.5 s, and chirps strictly under 0.18 s because they may repeat 0.21 s apart.
    // (Which role offers which sound is the catalogue's, as tst_statusmenu's role menus read it.)
    void formatAndLevels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("minSeconds");
        QTest::addColumn<double>("maxSeconds");
        for (const SoundCatalogue::Sound& sound : SoundCatalogue::finishSounds())
            QTest::newRow(qPrintable(sound.name)) << sound.name << 0.6 << 2.5;
        for (const SoundCatalogue::Sound& sound : SoundCatalogue::shortSounds())
            QTest::newRow(qPrintable(sound.name))
                << sound.name << 0.04 << (sound.name == "chirp" ? 0.18 : 0.5);
    }
    void formatAndLevels()
    {
        QFETCH(QString, name);
        QFETCH(double, minSeconds);
        QFETCH(double, maxSeconds);
        const QList<qint16> s = readWav(name);
        QVERIFY2(!s.isEmpty(), "missing, or not a mono 16-bit PCM WAVE at 44100 Hz");
        const double seconds = s.size() / 44100.0;
        QVERIFY2(seconds >= minSeconds && seconds < maxSeconds, qPrintable(QString::number(seconds)));
        const auto [lo, hi] = std::minmax_element(s.cbegin(), s.cend());
        const double peak = std::max(-int(*lo), int(*hi)) / 32768.0;
        QVERIFY2(peak >= 0.8 && peak <= 0.99, qPrintable(QString::number(peak)));
        QVERIFY2(std::abs(s.first()) <= 2 && std::abs(s.last()) <= 2,
                 "starts or stops away from zero: clicks");
        for (const SoundCatalogue::Sound& other : SoundCatalogue::allSounds())
            QVERIFY2(other.name == name || readWav(other.name) != s, qPrintable("the same as " + other.name));
    }

    // The boxes show what is stored; a box stores its sound, one of its role's radio buttons; a listen
    // button only plays. The window stays put, Escape closes it, and it opens centred again.
    void pressingPlays_data()
    {
        QTest::addColumn<QString>("role");   // empty: the sound's listen button
        QTest::addColumn<QString>("stored"); // null: nothing stored
        QTest::addColumn<QStringList>("on"); // before the press
        QTest::addColumn<QString>("sound");
        QTest::newRow("up on a short sound") << "soundFinish" << QString() << QStringList{"chime"} << "tap";
        QTest::newRow("halfway by default") << "soundHalfway" << QString() << QStringList{"tap"} << "murmur";
        QTest::newRow("warn, stored off") << "soundWarn" << QString("off") << QStringList{} << "murmur";
        QTest::newRow("already on, a short one")
            << "soundFinish" << QString("tap") << QStringList{"tap"} << "tap";
        QTest::newRow("listen") << QString() << QString() << QStringList{} << "ripple";
    }
    void pressingPlays()
    {
        QFETCH(QString, role);
        QFETCH(QString, stored);
        QFETCH(QString, sound);
        open(stored.isNull() ? QJsonObject{} : QJsonObject{{role, stored}});
        if (!role.isEmpty())
            QTEST(checkedIn(role), "on");
        QWidget* const window = panel();
        const QPoint centred = window->pos();
        QCOMPARE(window->frameGeometry().center(),
                 QGuiApplication::primaryScreen()->availableGeometry().center());
        window->move(30, 40);
        const int menus = f->fake.tray.menuSets, writes = f->fake.preferences.writes;
        QAbstractButton* pressed =
            button(role.isEmpty() ? "listen-" + sound : QStringLiteral("role-%1-%2").arg(role, sound));
        press(pressed);
        QCOMPARE(f->fake.sounds.played, QStringList{sound});
        if (role.isEmpty()) {
            QCOMPARE(f->fake.preferences.writes, writes);
        } else {
            QCOMPARE(f->fake.preferences.stringValue(role), sound);
            QCOMPARE(checkedIn(role), QStringList{sound});
            QCOMPARE(qobject_cast<SoundButton*>(pressed)->kind(), SoundButton::Kind::Radio);
            QVERIFY(pressed->group() && pressed->group()->exclusive());
            QVERIFY(!pressed->group()->buttons().contains(button("role-soundHalfway-tap")));
        }
        QCOMPARE(f->fake.tray.menuSets, menus + !role.isEmpty());
        QCOMPARE(panel(), window);
        QCOMPARE(window->pos(), QPoint(30, 40));
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        f->app->openSoundsPanel();
        QVERIFY(panel() == window && window->isVisible());
        QCOMPARE(window->pos(), centred);
    }

    void chirps_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("after");
        QTest::addColumn<int>("chirps");
        QTest::addColumn<int>("menusAdded");
        QTest::newRow("switch on") << "chirpCount" << false << true << 2 << 1;
        QTest::newRow("switch off") << "chirpCount" << true << false << 0 << 1;
        QTest::newRow("demo") << "hearTwoMinutes" << false << false << 2 << 0;
    }
    void chirps()
    {
        QFETCH(QString, control);
        QFETCH(bool, before);
        QFETCH(int, chirps);
        QFETCH(int, menusAdded);
        open({{"soundChirpCount", before}});
        QCOMPARE(button("chirpCount")->isChecked(), before);
        const int menus = f->fake.tray.menuSets;
        const QPointer<QAbstractButton> pressed = button(control);
        press(pressed);
        QTEST(f->fake.preferences.boolValue("soundChirpCount"), "after");
        QCOMPARE(f->fake.tray.menuSets, menus + menusAdded);
        QVERIFY2(pressed, "the panel is not rebuilt");
        f->fake.scheduler.advance(1); // their spacing is tst_tick's
        QCOMPARE(f->fake.sounds.played, QStringList(chirps, "chirp"));
    }
};

QTEST_MAIN(TstSounds)
#include "tst_sounds.moc"
