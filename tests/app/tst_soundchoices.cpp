#include "ControllerFixture.h"

#include <QTest>

// Choosing sounds from the role submenus and switching chirp counting from the menu.
class TestSoundChoices : public QObject
{
    Q_OBJECT

private slots:
    void setSound_data()
    {
        QTest::addColumn<QVariant>("represented");
        QTest::addColumn<QString>("stored"); // what "soundFinish" holds afterwards
        QTest::addColumn<QStringList>("played");
        QTest::addColumn<int>("menuBuilds");
        QTest::newRow("a sound is stored and played")
            << QVariant(QVariantMap{{"key", "soundFinish"}, {"value", "gong"}}) << "gong"
            << QStringList{"gong"} << 1;
        QTest::newRow("silent stores off and plays nothing")
            << QVariant(QVariantMap{{"key", "soundFinish"}, {"value", "off"}}) << "off" << QStringList{} << 1;
        QTest::newRow("an unknown name is stored, silently")
            << QVariant(QVariantMap{{"key", "soundFinish"}, {"value", "../../x"}}) << "../../x"
            << QStringList{} << 1;
        QTest::newRow("no dictionary") << QVariant("gong") << "chime" << QStringList{} << 0;
        QTest::newRow("value not a text")
            << QVariant(QVariantMap{{"key", "soundFinish"}, {"value", 3}}) << "chime" << QStringList{} << 0;
        QTest::newRow("a key that is no sound role")
            << QVariant(QVariantMap{{"key", "syncToken"}, {"value", "gong"}}) << "chime" << QStringList{}
            << 0;
    }
    void setSound()
    {
        QFETCH(QVariant, represented);
        QFETCH(int, menuBuilds);
        ControllerFixture f;
        f.launch();
        const int menus = f.fake.tray.menuSets;
        f.app->setSound(ControllerFixture::sender(represented));
        QTEST(f.fake.preferences.stringValue("soundFinish").value_or(QString()), "stored");
        QTEST(f.fake.sounds.played, "played");
        QCOMPARE(f.fake.tray.menuSets, menus + menuBuilds);
        QVERIFY(!f.fake.preferences.isStored("syncToken"));
    }

    void toggleChirpCountDemonstratesTwoChirps()
    {
        ControllerFixture f;
        f.launch();
        f.app->toggleChirpCount(); // on by default: now off, and silent
        f.fake.scheduler.advance(1);
        QVERIFY(f.fake.sounds.played.isEmpty());
        QCOMPARE(f.fake.preferences.value("soundChirpCount"), QJsonValue(false));
        f.app->toggleChirpCount();
        f.fake.scheduler.advance(1); // their spacing is tst_tick's
        QCOMPARE(f.fake.sounds.played, (QStringList{"chirp", "chirp"}));
        QCOMPARE(f.fake.preferences.value("soundChirpCount"), QJsonValue(true));
    }
};

QTEST_MAIN(TestSoundChoices)
#include "tst_soundchoices.moc"
