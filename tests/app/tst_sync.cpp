#include "ControllerFixture.h"

#include <QJsonDocument>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

// The sync client on fakes: what it sends, when, and what replies do (a real server is sync_e2e.py's).
class TestSync : public QObject
{
    Q_OBJECT

    std::unique_ptr<ControllerFixture> fixture;
    FakeHttpClient& http() { return fixture->fake.http; }
    void advance(double seconds) { fixture->fake.scheduler.advance(seconds); }
    qint64 rev() const { return fixture->fake.preferences.intValue(QStringLiteral("syncRev")); }
    std::optional<QString> token() const { return fixture->fake.preferences.stringValue("syncToken"); }
    QString notice() const { return fixture->fake.notifier.posted.value(0).second; }

    static QJsonObject json(const char* text) { return QJsonDocument::fromJson(text).object(); }
    static HttpClient::Reply reply(const QString& text) // empty: no reply at all
    {
        return text.isEmpty() ? HttpClient::Reply() : json(text.toUtf8());
    }
    static QString ids(const TimerList& list)
    {
        QStringList out;
        for (const PellowTimer& t : list)
            out << t.id;
        return out.join(',');
    }

    void launchPaired(qint64 revision)
    {
        fixture->launch({countdown("A", 300, fixture->fake.clock.current, false)},
                        {{"syncToken", "secret"}, {"syncRev", revision}});
        advance(1); // the launch saves the list, which pushes it
        QCOMPARE(http().action(0), QStringLiteral("push"));
        QVERIFY(http().answer(QJsonObject{{"rev", revision}}));
        http().sent.clear();
        http().answered = 0;
    }
    void change() { fixture->app->timerToggleRun(ControllerFixture::sender(QStringLiteral("A"))); }

private slots:
    void init() { fixture = std::make_unique<ControllerFixture>(); }

    // One push 0.6 s after a burst; a pull or push while one is out is dropped; a poll every 15 s.
    void pushTimingAndPolling()
    {
        const double launched = fixture->fake.clock.current;
        launchPaired(4);
        for (int i = 0; i < 10; ++i) {
            change();
            advance(0.05);
        }
        advance(0.54);
        QCOMPARE(http().sent.size(), 0);
        advance(0.02);
        QCOMPARE(http().action(0), QStringLiteral("push"));
        QCOMPARE(http().sent[0].body.value("rev").toInteger(), 5);
        QCOMPARE(rev(), 5);
        fixture->app->pullTimers();
        change();
        advance(1);
        QCOMPARE(http().sent.size(), 1);
        QVERIFY(http().answer(std::nullopt));
        change();
        advance(1);
        QCOMPARE(http().sent.value(1).body.value("rev").toInteger(), 6);
        QVERIFY(http().answer(json(R"({"rev":6})")));
        advance(launched + 15 - fixture->fake.clock.current - 0.05);
        QCOMPARE(http().sent.size(), 2);
        advance(0.1);
        QCOMPARE(http().action(2), QStringLiteral("pull"));
        QCOMPARE(http().sent[2].body, json(R"({"token":"secret"})"));
    }

    void replies_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<qint64>("revAfter");
        QTest::addColumn<QString>("idsAfter");
        const auto row = [](const char* name, const char* action, const QString& reply, qint64 rev,
                            const char* ids) {
            QTest::newRow(name) << QString(action) << reply << rev << QString(ids);
        };
        const QString b =
            R"({"id":"B","mode":"down","duration":60,"banked":0,"startedAt":0,"running":false,"label":"","alerted":false,"warned":[]})";
        const QString bad = R"({"id":"C","mode":"sideways"})";
        // Launched at revision 5; a push advances it to 6 before it is sent.
        row("push stale adopts", "push", R"({"stale":true,"rev":9,"timers":[)" + b + "]}", 9, "B");
        row("push rev taken as is", "push", R"({"rev":3})", 3, "A");
        row("push fraction rev", "push", R"({"rev":3.5})", 6, "A");
        row("push rev as text", "push", R"({"rev":"8"})", 6, "A");
        row("push stale timers not a list", "push", R"({"stale":true,"rev":9,"timers":{"id":"B"}})", 6, "A");
        row("pull same rev", "pull", R"({"ok":true,"rev":5,"timers":[)" + b + "]}", 5, "A");
        row("pull newer empty list", "pull", R"({"ok":true,"rev":6,"timers":[]})", 6, "");
        row("pull without ok", "pull", R"({"rev":8,"timers":[)" + b + "]}", 5, "A");
        row("pull bad record", "pull", R"({"ok":true,"rev":8,"timers":[)" + b + "," + bad + "]}", 5, "A");
    }
    void replies()
    {
        QFETCH(QString, action);
        QFETCH(QString, reply);
        launchPaired(5);
        if (action == QLatin1String("push"))
            fixture->app->pushTimers();
        else
            fixture->app->pullTimers();
        QVERIFY(fixture->app->syncBusy);
        QVERIFY(http().answer(TestSync::reply(reply)));
        QVERIFY(!fixture->app->syncBusy);
        QTEST(rev(), "revAfter");
        QTEST(ids(fixture->app->timers), "idsAfter");
        QTEST(ids(fixture->storedTimers()), "idsAfter");
        // An adopted list is never pushed back.
        advance(1);
        QCOMPARE(http().sent.size(), 1);
    }

    void pairing_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("paired");
        QTest::newRow("paired") << R"({"ok":true,"code":"K7Q-3FZ","token":"fresh"})" << true;
        QTest::newRow("no code") << R"({"ok":true,"token":"fresh"})" << false;
        QTest::newRow("not ok") << R"({"ok":false,"code":"K7Q3FZ","token":"fresh"})" << false;
        QTest::newRow("no reply") << "" << false;
    }
    // "Pair another phone…": an empty request; on success the new token, a push of revision 1, the code.
    void pairing()
    {
        QFETCH(QString, reply);
        QFETCH(bool, paired);
        launchPaired(7);
        fixture->app->pairWithPhone();
        QCOMPARE(http().action(0), QStringLiteral("pair"));
        QCOMPARE(http().sent[0].body, QJsonObject());
        QVERIFY(http().answer(TestSync::reply(reply)));
        if (!paired) {
            QCOMPARE(token(), QStringLiteral("secret"));
            QCOMPARE(rev(), 7);
            QCOMPARE(notice(), QStringLiteral("Couldn't reach pellow.app to start pairing"));
            QVERIFY(!fixture->app->pairingDialog);
            return;
        }
        QCOMPARE(token(), QStringLiteral("fresh"));
        QCOMPARE(http().sent.value(1).body.value("rev").toInteger(), 1);
        QVERIFY(fixture->app->pairingDialog);
        QCOMPARE(fixture->app->pairingDialog->text(), QStringLiteral("Open this on your phone"));
        QVERIFY(fixture->app->pairingDialog->informativeText().contains(QStringLiteral("\n\nK7Q-3FZ\n\n")));
        // It blocks nothing else, and Escape closes it.
        QCOMPARE(fixture->app->pairingDialog->windowModality(), Qt::NonModal);
        QTest::keyClick(fixture->app->pairingDialog, Qt::Key_Escape);
        QVERIFY(!fixture->app->pairingDialog || !fixture->app->pairingDialog->isVisible());
    }

    void serverAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("endpoint"); // empty: refused
        QTest::newRow("own server") << " https://a.example:8443/p// "
                                    << "https://a.example:8443/p/api/pellow/sync.php";
        QTest::newRow("empty is the default") << QString() << "https://pellow.app/api/pellow/sync.php";
        for (const char* refused :
             {"http://a.example", "https://", "https://a.example/?a=1", "https://me@a.example"})
            QTest::newRow(refused) << QString(refused) << QString();
    }
    // "Sync server…": a usable address replaces the server and forgets the old one's token and replies.
    void serverAddress()
    {
        QFETCH(QString, typed);
        QFETCH(QString, endpoint);
        fixture->fake.preferences.setString("syncServer", "https://old.example.org");
        launchPaired(3);
        fixture->app->pushTimers();
        fixture->app->chooseSyncServer();
        QCOMPARE(fixture->app->hudPromptFields.value(0)->text(), QStringLiteral("https://old.example.org"));
        fixture->app->hudPromptFields.value(0)->setText(typed);
        fixture->app->hudPromptConfirm();
        if (endpoint.isEmpty()) {
            QCOMPARE(notice(), QStringLiteral("That isn't an https address"));
            QCOMPARE(token(), QStringLiteral("secret"));
            QCOMPARE(fixture->app->syncAPI.toString(),
                     QStringLiteral("https://old.example.org/api/pellow/sync.php"));
            return;
        }
        QCOMPARE(fixture->app->syncAPI.toString(), endpoint);
        QCOMPARE(fixture->fake.preferences.isStored("syncServer"), !typed.isEmpty());
        QCOMPARE(notice(), QStringLiteral("The phone is no longer syncing"));
        QVERIFY(http().answer(json(R"({"stale":true,"rev":9,"timers":[]})")));
        QVERIFY(!token() && !fixture->fake.preferences.isStored("syncRev"));
        QCOMPARE(ids(fixture->app->timers), QStringLiteral("A"));
        change();
        advance(60);
        QCOMPARE(http().sent.size(), 1);
        const auto& items = fixture->fake.tray.menu.items;
        QVERIFY(std::any_of(items.begin(), items.end(),
                            [](const MenuItem& i) { return i.action == QLatin1String("pairWithPhone"); }));
    }

    // A stored address that cannot be used stops syncing rather than sending the token elsewhere.
    void storedServerUnusable()
    {
        fixture->launch({}, {{"syncToken", "secret"}, {"syncServer", "http://nas.local"}});
        fixture->app->pullTimers();
        advance(0.1);
        QVERIFY(http().sent.isEmpty());
        QVERIFY(!fixture->app->syncBusy);
        fixture->app->loadSyncServer();
        QVERIFY(notice().contains(QStringLiteral("isn't an https address")));
    }
};

QTEST_MAIN(TestSync)
#include "tst_sync.moc"
