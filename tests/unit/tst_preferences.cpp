#include "platform/PreferenceFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <tuple>

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

} // namespace

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

    void typedReads_data()
    {
        QTest::addColumn<QByteArray>("json"); // empty: never written
        QTest::addColumn<bool>("asBool");
        QTest::addColumn<qint64>("asInt");
        QTest::addColumn<double>("asDouble");
        QTest::addColumn<bool>("isText");
        QTest::addColumn<bool>("isList");
        // clang-format off
        const std::tuple<const char*, bool, qint64, double, bool, bool> rows[] = {
            {"",        false, 0,  0,    false, false},
            {"true",    true,  0,  0,    false, false},
            {"2.9",     false, 2,  2.9,  false, false},
            {"-2.9",    false, -2, -2.9, false, false},
            {"\"5\"",   false, 0,  0,    true,  false},
            {"[10, 5]", false, 0,  0,    false, true},
            {"{}",      false, 0,  0,    false, false}};
        // clang-format on
        for (auto [json, b, i, d, s, l] : rows)
            QTest::newRow(*json ? json : "missing") << QByteArray(json) << b << i << d << s << l;
    }
    void typedReads()
    {
        QFETCH(QByteArray, json);
        const QString key = "k";
        if (!json.isEmpty())
            writeAll(m_path, "{\"k\": " + json + "}");
        PreferenceFile loaded(m_path);
        PreferenceFile rewritten(m_path + ".2");
        rewritten.setValue(key, loaded.value(key)); // and back from what this store writes
        const PreferenceFile reloaded(rewritten.path());
        const PreferenceStore* stores[] = {&loaded, &reloaded};
        for (const PreferenceStore* store : stores) {
            QTEST(store->boolValue(key), "asBool");
            QTEST(store->intValue(key), "asInt");
            QTEST(store->doubleValue(key), "asDouble");
            QTEST(store->stringValue(key).has_value(), "isText");
            QTEST(store->listValue(key).has_value(), "isList");
        }
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

    // Keys it does not know survive a write; the old file's loose mode does not.
    void writesKeepUnknownKeys()
    {
        const QJsonObject old{{"futureKey", QJsonObject{{"n", QJsonArray{1, "x"}}}}, {"syncRev", 7}};
        writeAll(m_path, QJsonDocument(old).toJson());
        QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        PreferenceFile store(m_path);
        QCOMPARE(store.loadStatus(), PreferenceFile::LoadStatus::Loaded);
        store.setString("syncToken", "sécret");
        QJsonObject expected = old;
        expected.insert("syncToken", "sécret");
        QCOMPARE(PreferenceFile::parse(readAll(m_path)), expected);
        QCOMPARE(modeOf(m_path), 0600);
        QCOMPARE(QDir(QFileInfo(m_path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"preferences.json"}); // no temporary file is left behind
    }

    void unreadableFileIsMovedAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("array") << QByteArray("[{\"timerHUDCorner\": 2}]");
        QTest::newRow("trailing bytes") << QByteArray("{\"a\": 1} x");
    }
    void unreadableFileIsMovedAside()
    {
        QFETCH(QByteArray, bytes);
        QStringList asides;
        for (int round = 0; round < 2; ++round) { // a second bad file, likely in the same second, is kept too
            writeAll(m_path, bytes);
            PreferenceFile store(m_path);
            QCOMPARE(store.loadStatus(), PreferenceFile::LoadStatus::MovedAside);
            QVERIFY(store.storedValues().isEmpty());
            QVERIFY(store.movedAsidePath().startsWith(m_path + ".unreadable-"));
            QVERIFY(!asides.contains(store.movedAsidePath()));
            asides << store.movedAsidePath();
            store.setInt("timerHUDCorner", 0);
            QCOMPARE(PreferenceFile(m_path).loadStatus(), PreferenceFile::LoadStatus::Loaded);
        }
        for (const QString& aside : asides)
            QCOMPARE(readAll(aside), bytes);
    }

    void defaultPathFollowsXdgConfigHome()
    {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        const QString home = QDir::homePath() + QStringLiteral("/.config/pellow/preferences.json");
        for (const auto& [config, path] :
             {std::pair{QByteArray("/x/cfg"), QStringLiteral("/x/cfg/pellow/preferences.json")},
              std::pair{QByteArray(), home}, std::pair{QByteArray("relative"), home}}) {
            qputenv("XDG_CONFIG_HOME", config);
            QCOMPARE(PreferenceFile::defaultPath(), path);
        }
        qputenv("XDG_CONFIG_HOME", saved);
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "tst_preferences.moc"
