#include "core/SoundCatalogue.h"

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

class TstSoundFiles : public QObject
{
    Q_OBJECT
private slots:
    // Every sound the app offers, with the length its role allows: finish sounds 0.6–2.5 s,
    // nudges 0.04–0.5 s, and chirps strictly under 0.18 s because they may repeat 0.21 s apart.
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
        QVERIFY2(*lo > -32768 && *hi < 32767, "clipped");
        const double peak = std::max(-int(*lo), int(*hi)) / 32768.0;
        QVERIFY2(peak >= 0.8 && peak <= 0.99, qPrintable(QString::number(peak)));
        // A sound that starts or stops away from zero clicks.
        QVERIFY2(std::abs(s.first()) <= 2, qPrintable(QString::number(s.first())));
        QVERIFY2(std::abs(s.last()) <= 2, qPrintable(QString::number(s.last())));
    }

    void allDistinct()
    {
        QList<QList<qint16>> audio;
        for (const SoundCatalogue::Sound& sound : SoundCatalogue::allSounds()) {
            const QList<qint16> samples = readWav(sound.name);
            QVERIFY2(!audio.contains(samples), qPrintable(sound.name + " repeats another sound"));
            audio.append(samples);
        }
    }
};

QTEST_GUILESS_MAIN(TstSoundFiles)
#include "tst_soundfiles.moc"
