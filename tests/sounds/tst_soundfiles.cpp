#include <QFile>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace {

const QStringList kFinishSounds{"chime", "ding", "bell", "marimba", "glass", "triple", "ripple", "gong"};
const QStringList kShortSounds{"tap", "tick", "ping", "murmur", "chirp"};

struct Wav
{
    QString error; // empty when the file is a mono 16-bit PCM WAVE at 44.1 kHz
    QByteArray data;
    QList<qint16> samples;
    double seconds() const { return samples.size() / 44100.0; }
};

Wav readWav(const QString& name)
{
    QFile file(QStringLiteral(PELLOW_SOUNDS_DIR "/%1.wav").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {"cannot open " + file.fileName(), {}, {}};
    const QByteArray b = file.readAll();
    const auto u16 = [&b](qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    const auto u32 = [&b](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    if (b.size() < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE")
        return {"not a RIFF/WAVE file", {}, {}};
    if (u32(4) != quint32(b.size() - 8))
        return {"RIFF size does not match the file size", {}, {}};
    Wav w{"missing fmt chunk", {}, {}};
    for (qsizetype pos = 12; pos + 8 <= b.size();) {
        const QByteArray id = b.mid(pos, 4);
        const qsizetype body = pos + 8, len = u32(pos + 4);
        if (body + len > b.size())
            return {"chunk '" + id + "' runs past the end", {}, {}};
        if (id == "fmt " && len >= 16) {
            const bool pcm = u16(body) == 1 && u16(body + 2) == 1 && u32(body + 4) == 44100 &&
                             u32(body + 8) == 88200 && u16(body + 12) == 2 && u16(body + 14) == 16;
            w.error = pcm ? QString() : "not mono 16-bit PCM at 44100 Hz";
        } else if (id == "data") {
            w.data = b.mid(body, len);
        }
        pos = body + len + (len & 1);
    }
    if (w.data.isEmpty() || w.data.size() % 2 != 0)
        w.error += " missing or malformed data chunk";
    for (qsizetype i = 0; i + 1 < w.data.size(); i += 2)
        w.samples.append(qFromLittleEndian<qint16>(w.data.constData() + i));
    return w;
}

// Every sound with the length its role allows: finish sounds 0.6–2.5 s, nudges 0.04–0.5 s, and
// chirps strictly under 0.18 s because they may repeat 0.21 s apart.
void soundRows()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minSeconds");
    QTest::addColumn<double>("maxSeconds");
    for (const QString& name : kFinishSounds)
        QTest::newRow(qPrintable(name)) << name << 0.6 << 2.5;
    for (const QString& name : kShortSounds)
        QTest::newRow(qPrintable(name)) << name << 0.04 << (name == "chirp" ? 0.18 : 0.5);
}

// Rough pitch from the zero-crossing rate over [start, start + length) seconds.
double crossingHz(const QList<qint16>& s, double start, double length)
{
    const qsizetype from = qsizetype(start * 44100),
                    to = std::min(s.size(), qsizetype((start + length) * 44100));
    int crossings = 0, lastSign = 0;
    for (qsizetype i = from; i < to; ++i) {
        const int sign = (s[i] > 0) - (s[i] < 0);
        crossings += sign != 0 && lastSign != 0 && sign != lastSign;
        lastSign = sign != 0 ? sign : lastSign;
    }
    return crossings / (2.0 * length);
}

} // namespace

class TstSoundFiles : public QObject
{
    Q_OBJECT
private slots:
    void formatAndLevels_data() { soundRows(); }
    void formatAndLevels()
    {
        QFETCH(QString, name);
        QFETCH(double, minSeconds);
        QFETCH(double, maxSeconds);
        const Wav w = readWav(name);
        QVERIFY2(w.error.isEmpty(), qPrintable(w.error));
        QVERIFY2(w.seconds() >= minSeconds && w.seconds() < maxSeconds,
                 qPrintable(QString::number(w.seconds())));
        const auto [lo, hi] = std::minmax_element(w.samples.cbegin(), w.samples.cend());
        QVERIFY2(*lo > -32768 && *hi < 32767, "clipped");
        const double peak = std::max(-int(*lo), int(*hi)) / 32768.0;
        QVERIFY2(peak >= 0.8 && peak <= 0.99, qPrintable(QString::number(peak)));
        // A sound that starts or stops away from zero clicks.
        QVERIFY2(std::abs(w.samples.first()) <= 2, qPrintable(QString::number(w.samples.first())));
        QVERIFY2(std::abs(w.samples.last()) <= 2, qPrintable(QString::number(w.samples.last())));
    }

    void pitch_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("length");
        QTest::addColumn<double>("minHz");
        QTest::addColumn<double>("maxHz");
        QTest::newRow("murmur is low") << "murmur" << 0.10 << 0.25 << 80.0 << 300.0;
        QTest::newRow("ping is high") << "ping" << 0.0 << 0.10 << 1500.0 << 2000.0;
        QTest::newRow("tick is higher") << "tick" << 0.0 << 0.03 << 2500.0 << 5000.0;
        QTest::newRow("glass is high") << "glass" << 0.05 << 0.50 << 1800.0 << 2600.0;
        QTest::newRow("chirp starts low") << "chirp" << 0.01 << 0.03 << 1200.0 << 2500.0;
        QTest::newRow("chirp ends high") << "chirp" << 0.08 << 0.03 << 2800.0 << 4200.0;
    }
    void pitch()
    {
        QFETCH(QString, name);
        QFETCH(double, start);
        QFETCH(double, length);
        QFETCH(double, minHz);
        QFETCH(double, maxHz);
        const Wav w = readWav(name);
        QVERIFY2(w.error.isEmpty(), qPrintable(w.error));
        const double hz = crossingHz(w.samples, start, length);
        QVERIFY2(hz >= minHz && hz <= maxHz, qPrintable(QString::number(hz)));
    }

    void allDistinct()
    {
        const QStringList names = kFinishSounds + kShortSounds;
        QList<QByteArray> audio;
        for (const QString& name : names)
            audio.append(readWav(name).data);
        for (qsizetype i = 0; i < names.size(); ++i)
            for (qsizetype j = i + 1; j < names.size(); ++j)
                QVERIFY2(audio[i] != audio[j], qPrintable(names[i] + " and " + names[j] + " are identical"));
    }
};

QTEST_GUILESS_MAIN(TstSoundFiles)
#include "tst_soundfiles.moc"
