#include "TimerFactory.h"
#include "core/PellowTimer.h"
#include "platform/PreferenceFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <memory>
#include <tuple>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

int modeOf(const QString& path)
{
    struct stat st
    {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

QStringList fileKeys(const QString& path)
{
    return PreferenceFile::parse(readAll(path)).value_or(QJsonObject()).keys();
}

PellowTimer sample()
{
    PellowTimer t = countdown("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0", 600, 1733480000.123456, true, 12.5);
    t.label = QStringLiteral("Tea \"🍵\"\n");
    t.warned = {kHalfwayMark, 300};
    t.color = QStringLiteral("#a1B2c3");
    return t;
}

QJsonValue sampleObject()
{
    return TimerJson::encode({sample()})->at(0);
}

} // namespace

// What Pellow stores: the preference file, and the timer list in it.
class PreferencesTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(QStringLiteral("pellow/preferences.json"));
    }

    // Each read answers only for its own JSON type; whole-number reads cut toward zero.
    void typedReads()
    {
        writeAll(m_path, R"({"t": true, "n": -2.9, "s": "5", "l": [10, 5], "o": {}})");
        const PreferenceFile store(m_path);
        QVERIFY(store.boolValue("t") && !store.boolValue("s") && !store.boolValue("missing"));
        QCOMPARE(store.intValue("n"), -2);
        QCOMPARE(store.doubleValue("n"), -2.9);
        QVERIFY(store.intValue("s") == 0 && store.doubleValue("t") == 0 && store.intValue("o") == 0);
        QCOMPARE(store.stringValue("s"), "5");
        QVERIFY(!store.stringValue("n") && !store.stringValue("missing"));
        QCOMPARE(store.listValue("l"), QJsonArray({10, 5}));
        QVERIFY(!store.listValue("o") && !store.listValue("missing"));
    }

    // Defaults answer but are never written; the first write makes an owner-only folder and file.
    void defaultsAndWrites()
    {
        PreferenceFile store(m_path);
        QCOMPARE(store.loadStatus(), PreferenceFile::LoadStatus::Missing);
        store.registerDefaults({{"timerHUDCorner", 1}, {"soundFinish", "chime"}});
        store.remove("timerHUDCorner");
        QVERIFY(!QFileInfo::exists(QFileInfo(m_path).absolutePath()));
        QCOMPARE(store.stringValue("soundFinish"), "chime");

        store.setInt("timerHUDCorner", 3);
        store.setBool("timerHUDVisible", false);
        QCOMPARE(fileKeys(m_path), QStringList({"timerHUDCorner", "timerHUDVisible"}));
        QVERIFY(readAll(m_path).contains("\"timerHUDCorner\": 3,")); // integers carry no fraction
        QCOMPARE(modeOf(QFileInfo(m_path).absolutePath()), 0700);
        QCOMPARE(modeOf(m_path), 0600);

        store.remove("timerHUDCorner");
        QCOMPARE(store.intValue("timerHUDCorner"), 1);
        QCOMPARE(fileKeys(m_path), QStringList({"timerHUDVisible"}));
    }

    // An empty file, or one holding no object, is moved aside whole; so is the next bad one, likely in
    // the same second.
    void unreadableFileIsMovedAside()
    {
        QMap<QString, QByteArray> asides;
        for (const QByteArray& bytes : {QByteArray(), QByteArray("[{\"timerHUDCorner\": 2}]")}) {
            for (int round = 0; round < 2; ++round) {
                writeAll(m_path, bytes);
                PreferenceFile store(m_path);
                QCOMPARE(store.loadStatus(), PreferenceFile::LoadStatus::MovedAside);
                QVERIFY(store.storedValues().isEmpty());
                QVERIFY(store.movedAsidePath().startsWith(m_path + ".unreadable-"));
                QVERIFY(!asides.contains(store.movedAsidePath()));
                asides.insert(store.movedAsidePath(), bytes);
                store.setInt("timerHUDCorner", 0);
                QCOMPARE(PreferenceFile(m_path).loadStatus(), PreferenceFile::LoadStatus::Loaded);
            }
        }
        for (auto it = asides.cbegin(); it != asides.cend(); ++it)
            QCOMPARE(readAll(it.key()), it.value());
    }

    void failedWritesAreReportedAndLoseNothing_data()
    {
        QTest::addColumn<bool>("diskFull"); // else a file stands where the folder should be
        QTest::newRow("disk full") << true;
        QTest::newRow("a file in the way") << false;
    }
    void failedWritesAreReportedAndLoseNothing()
    {
        QFETCH(bool, diskFull);
        const QString folder = QFileInfo(m_path).absolutePath();
        const QByteArray before = diskFull ? QByteArray(R"({"keep": 1})") : QByteArray("not a folder");
        writeAll(diskFull ? m_path : folder, before);
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther); // loose
        PreferenceFile store(m_path);
        QStringList reasons;
        store.setWriteFailedHandler([&reasons](const QString& reason) { reasons << reason; });
        // A full disk, as a file size limit: writes past it fail (and raise no signal).
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
        const rlimit saved = limit;
        limit.rlim_cur = 64;
        if (diskFull)
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        store.setString("big", QString(200, u'x'));
        store.setInt("second", 2);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        QCOMPARE(reasons.size(), 1); // once, not for each write
        QVERIFY2(reasons[0].startsWith(m_path + ": "), qPrintable(reasons[0]));
        QCOMPARE(readAll(diskFull ? m_path : folder), before);
        if (!diskFull)
            QVERIFY(QFile::remove(folder));
        store.setString("after", "sécret");
        // The keys it does not know are kept, the loose mode is not.
        QCOMPARE(fileKeys(m_path), diskFull ? QStringList({"after", "big", "keep", "second"})
                                            : QStringList({"after", "big", "second"}));
        QCOMPARE(modeOf(m_path), 0600);
        // No temporary file is left behind.
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"preferences.json"});
        QCOMPARE(reasons.size(), 1);
    }

    void defaultPathWithoutAUsableXdgConfigHome()
    {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME"); // a set one is the e2e runs'
        for (const QByteArray& config : {QByteArray(), QByteArray("relative")}) {
            qputenv("XDG_CONFIG_HOME", config);
            QCOMPARE(PreferenceFile::defaultPath(), QDir::homePath() + "/.config/pellow/preferences.json");
        }
        qputenv("XDG_CONFIG_HOME", saved);
    }

    void readingOneRecord_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("json"); // empty: the key is left out
        QTest::addColumn<bool>("accepted");
        for (const char* key :
             {"id", "label", "mode", "duration", "banked", "startedAt", "running", "alerted", "warned"})
            QTest::addRow("no %s", key) << key << QByteArray() << false;
        // clang-format off
        const std::tuple<const char*, const char*, bool> rows[] = {
            {"label", "null", false}, {"duration", "\"600\"", false}, {"running", "1", false}, {"warned", "{}", false},
            {"warned", "[300, \"5\"]", false}, {"color", "5", false}, {"color", "", true}, {"color", "null", true},
            {"future", "{\"x\": 1}", true}};
        // clang-format on
        for (auto [key, json, accepted] : rows)
            QTest::addRow("%s=%s", key, json) << key << QByteArray(json) << accepted;
    }
    void readingOneRecord()
    {
        QFETCH(QString, key);
        QFETCH(QByteArray, json);
        QJsonObject changed = sampleObject().toObject();
        changed.insert(key, json.isEmpty() ? QJsonValue(QJsonValue::Undefined)
                                           : QJsonDocument::fromJson("[" + json + "]").array().at(0));
        // A good record comes first: one bad element must still reject the whole array.
        const auto list = TimerJson::decodeBytes(QJsonDocument(QJsonArray{sampleObject(), changed}).toJson());
        QTEST(list.has_value(), "accepted");
        if (!list)
            return;
        QCOMPARE(list->size(), 2);
        const bool coloured = key != QLatin1String("color");
        QCOMPARE(list->at(1).color.has_value(), coloured);
        // No colour is written by leaving the key out, never as null.
        QCOMPARE(TimerJson::encode(*list)->at(1).toObject().contains(QLatin1String("color")), coloured);
    }

    void storedBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("count"); // -1: rejected
        QTest::newRow("empty list") << QByteArray("[]") << 0;
        QTest::newRow("not json") << QByteArray("\xff\x00[", 3) << -1;
        QTest::newRow("object") << QByteArray("{}") << -1;
        QTest::newRow("number element") << QByteArray("[1]") << -1;
        QTest::newRow("overflowing number")
            << QJsonDocument(QJsonArray{sampleObject()}).toJson().replace("600", "1e400") << -1;
        QTest::newRow("whole numbers")
            << QByteArray(R"([{"id":"A","label":"","mode":"x","duration":5,"banked":0,)"
                          R"("startedAt":0,"running":false,"alerted":true,"warned":[-1,600]}])")
            << 1;
        QTest::newRow("fractions kept exactly")
            << QByteArray(
                   R"([{"id":"A","label":"","mode":"up","duration":0.1,"banked":0.3333333333333333,)"
                   R"("startedAt":1733480000.123456,"running":true,"alerted":false,"warned":[0.1,-1]}])")
            << 1;
    }
    void storedBytes()
    {
        QFETCH(QByteArray, bytes);
        const auto list = TimerJson::decodeBytes(bytes);
        QTEST(list ? int(list->size()) : -1, "count");
        if (list) // written back compactly, with the same content and every digit
            QCOMPARE(TimerJson::encodeBytes(*list).value(),
                     QJsonDocument::fromJson(bytes).toJson(QJsonDocument::Compact));
    }

    // JSON has no infinity or NaN: a list holding one is not written at all.
    void nonFiniteNumbersFailEncoding()
    {
        for (double value : {qInf(), qQNaN()})
            for (int field = 0; field < 4; ++field) {
                PellowTimer t = sample();
                *std::array{&t.duration, &t.banked, &t.startedAt, &t.warned[1]}[field] = value;
                QVERIFY(!TimerJson::encode({sample(), t}) && !TimerJson::encodeBytes({sample(), t}));
            }
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "tst_preferences.moc"
