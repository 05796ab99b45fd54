#include "ControllerFixture.h"

#include "sync/PairingWindow.h"

#include <QFile>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
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
    }
    void change() { fixture->app->timerToggleRun(ControllerFixture::sender(QStringLiteral("A"))); }

private slots:
    void init() { fixture = std::make_unique<ControllerFixture>(); }

    // One push 0.6 s after a burst; a change while a request is out goes when it ends; a poll every
    // 15 s, which pushes again after a push that failed.
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
        QCOMPARE(rev(), 4); // not before the server confirms it
        fixture->app->pullTimers();
        change();
        advance(1);
        QCOMPARE(http().sent.size(), 1);
        QVERIFY(http().answer(json(R"({"rev":5})")));
        QCOMPARE(http().action(1), QStringLiteral("push"));
        QCOMPARE(http().sent[1].body.value("rev").toInteger(), 6);
        QVERIFY(http().answer(json(R"({"rev":6})")));
        advance(launched + 15 - fixture->fake.clock.current - 0.05);
        QCOMPARE(http().sent.size(), 2);
        advance(0.1);
        QCOMPARE(http().action(2), QStringLiteral("pull"));
        QCOMPARE(http().sent[2].body, json(R"({"token":"secret"})"));
        // A push without a reply keeps the revision and goes again with the next poll instead of a
        // pull (what its reply does is the revision table's).
        QVERIFY(http().answer(std::nullopt));
        change();
        advance(1);
        QVERIFY(http().answer(std::nullopt));
        QCOMPARE(rev(), 6);
        advance(15);
        QCOMPARE(http().action(4), QStringLiteral("push"));
        QCOMPARE(http().sent[4].body.value("rev").toInteger(), 7);
        QVERIFY(http().answer(json(R"({"rev":7})")));
        advance(15);
        QCOMPARE(http().action(5), QStringLiteral("pull"));
    }

    void changeDuringPull_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("pushed");
        QTest::newRow("same revision: the change goes") << R"({"ok":true,"rev":5,"timers":[]})" << true;
        QTest::newRow("newer list: the change was made on a list that lost")
            << R"({"ok":true,"rev":6,"timers":[]})" << false;
    }
    // A change made while a pull is out reaches the server as soon as the pull ends.
    void changeDuringPull()
    {
        QFETCH(QString, reply);
        launchPaired(5);
        fixture->app->pullTimers();
        change();
        advance(1);
        QCOMPARE(http().sent.size(), 1);
        QVERIFY(http().answer(TestSync::reply(reply)));
        advance(1);
        QTEST(http().sent.size() == 2, "pushed");
        if (http().sent.size() == 2) {
            QCOMPARE(http().sent[1].body.value("rev").toInteger(), 6);
            QVERIFY(http().sent[1].body.value("timers")[0]["running"].toBool());
        }
    }

    void revisionCases_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<qint64>("local");
        QTest::addColumn<QJsonObject>("reply");
        QTest::addColumn<QString>("outcome");
        QFile file(QStringLiteral(PELLOW_SYNC_REVISIONS));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject cases = QJsonDocument::fromJson(file.readAll()).object();
        for (const QString action : {"pull", "push"}) {
            for (const QJsonValue c : cases.value(action).toArray())
                QTest::addRow("%s: %s", qPrintable(action), qPrintable(c["case"].toString()))
                    << action << c["local"].toInteger() << c["reply"].toObject() << c["outcome"].toString();
        }
        QVERIFY(QTest::currentTestFailed() || !cases.isEmpty());
        // A list Pellow would not keep itself is refused whole, revision included.
        const QJsonObject bread = json(R"({"id":"B","label":"Bread","mode":"down","duration":60,"banked":0,)"
                                       R"("startedAt":0,"running":false,"alerted":false,"warned":[]})");
        QJsonObject longLabel = bread;
        longLabel["label"] = QString(257, 'x');
        QJsonArray many;
        for (int i = 0; i < 501; ++i)
            many.append(bread);
        for (const auto& [name, timers] :
             {std::pair{"a label of 257", QJsonArray{longLabel}}, {"501 timers", many}})
            QTest::addRow("pull: %s", name)
                << "pull" << qint64(5) << QJsonObject{{"ok", true}, {"rev", 8}, {"timers", timers}} << "keep";
    }
    // The revision rules the page and the server share (tests/sync_revisions.json), on Pellow.
    void revisionCases()
    {
        QFETCH(QString, action);
        QFETCH(qint64, local);
        QFETCH(QJsonObject, reply);
        QFETCH(QString, outcome);
        launchPaired(local);
        action == "push" ? fixture->app->pushTimers() : fixture->app->pullTimers();
        QCOMPARE(http().sent.value(0).body.value("rev").toInteger(local + 1), local + 1);
        QVERIFY(http().answer(reply));
        QVERIFY(!fixture->app->syncBusy);
        const bool adopted = outcome == QLatin1String("adopt");
        QCOMPARE(rev(), outcome == QLatin1String("keep") ? local : reply["rev"].toInteger());
        QCOMPARE(ids(fixture->app->timers), adopted ? ids(*SyncRules::remoteTimers(reply)) : "A");
        QCOMPARE(ids(fixture->storedTimers()), ids(fixture->app->timers));
        // An adopted list is never pushed back.
        advance(1);
        QCOMPARE(http().sent.size(), 1);
    }

    // A list that cannot be encoded is said once, and nothing is stored or sent.
    void unsavableList()
    {
        launchPaired(5);
        const int writes = fixture->fake.preferences.writes;
        fixture->app->timers[0].banked = std::numeric_limits<double>::infinity();
        fixture->app->saveTimers();
        fixture->app->saveTimers();
        advance(1);
        QCOMPARE(fixture->fake.notifier.posted.size(), 1);
        QVERIFY(notice().startsWith(QStringLiteral("Pellow can't save the timers")));
        QCOMPARE(fixture->fake.preferences.writes, writes);
        QVERIFY(http().sent.isEmpty());
    }

    void pairing_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("pullOut");
        QTest::addColumn<bool>("paired");
        const QString ok = R"({"ok":true,"code":"K7Q-3FZ","token":"fresh"})";
        QTest::newRow("paired") << ok << false << true;
        QTest::newRow("paired while a pull is out") << ok << true << true;
        QTest::newRow("no code") << R"({"ok":true,"token":"fresh"})" << false << false;
        QTest::newRow("not ok") << R"({"ok":false,"code":"K7Q3FZ","token":"fresh"})" << false << false;
    }
    // "Pair another phone…": an empty request; on success the new token, a push of revision 1, the code.
    void pairing()
    {
        QFETCH(QString, reply);
        QFETCH(bool, pullOut);
        QFETCH(bool, paired);
        launchPaired(7);
        if (pullOut)
            fixture->app->pullTimers();
        fixture->app->pairWithPhone();
        const qsizetype pair = http().sent.size() - 1;
        QCOMPARE(http().action(pair), QStringLiteral("pair"));
        QCOMPARE(http().sent[pair].body, QJsonObject());
        QVERIFY(http().answerAt(pair, TestSync::reply(reply)));
        if (!paired) {
            QCOMPARE(token(), QStringLiteral("secret"));
            QCOMPARE(rev(), 7);
            QCOMPARE(notice(), QStringLiteral("Couldn't start pairing with Pellow's own sync server"));
            QVERIFY(!fixture->app->pairingDialog);
            return;
        }
        QCOMPARE(token(), QStringLiteral("fresh"));
        // The pull made for the old pairing is dropped, though its revision is newer; the new
        // pairing's first push follows it.
        if (pullOut)
            QVERIFY(http().answerAt(0, json(R"({"ok":true,"rev":9,"timers":[]})")));
        QCOMPARE(http().action(http().sent.size() - 1), QStringLiteral("push"));
        QCOMPARE(http().sent.last().body.value("rev").toInteger(), 1);
        QCOMPARE(http().sent.last().body.value("token").toString(), QStringLiteral("fresh"));
        QCOMPARE(ids(fixture->app->timers), QStringLiteral("A"));
        QVERIFY(fixture->app->pairingDialog);
        const auto text = [this](const char* name) {
            return fixture->app->pairingDialog->findChild<QLabel*>(name)->text();
        };
        // The code and the address are read off the screen by local_sync_e2e.py and sync_e2e.py.
        QCOMPARE(text("pairingHeading"), QStringLiteral("Open this on your phone"));
        QVERIFY(text("pairingNetwork").contains(QStringLiteral("TCP port 8787")));
        // It blocks nothing else, and Escape closes it.
        QCOMPARE(fixture->app->pairingDialog->windowModality(), Qt::NonModal);
        QTest::keyClick(fixture->app->pairingDialog, Qt::Key_Escape);
        QVERIFY(!fixture->app->pairingDialog || !fixture->app->pairingDialog->isVisible());
    }

    void localServer_data()
    {
        QTest::addColumn<int>("storedPort"); // 0: none stored
        QTest::addColumn<bool>("taken");     // the usual or the stored port
        QTest::addColumn<int>("anyPort");    // what a start on any port gives; 0: none starts
        QTest::addColumn<int>("port");       // the one kept and used; 0: not started
        QTest::newRow("first time, the usual port") << 0 << false << 40123 << 8787;
        QTest::newRow("usual port taken: any other, kept") << 0 << true << 40123 << 40123;
        QTest::newRow("a port kept from before") << 9000 << false << 40123 << 9000;
        QTest::newRow("the kept port taken") << 9000 << true << 40123 << 0;
        QTest::newRow("cannot start at all") << 0 << true << 0 << 0;
    }
    // With no server of the user's own, pairing starts Pellow's, which Pellow reaches over loopback.
    void localServer()
    {
        QFETCH(int, storedPort);
        QFETCH(bool, taken);
        QFETCH(int, anyPort);
        QFETCH(int, port);
        FakeLocalSyncServer& server = fixture->fake.localServer;
        if (taken)
            server.taken = {quint16(storedPort ? storedPort : 8787)};
        server.anyPort = quint16(anyPort);
        fixture->launch({}, storedPort ? QJsonObject{{"syncLocalPort", storedPort}} : QJsonObject{});
        QVERIFY(server.starts.isEmpty()); // not paired: not running
        fixture->app->pairWithPhone();
        QCOMPARE(server.starts.value(0),
                 (QPair<QString, quint16>("192.168.1.23", storedPort ? storedPort : 8787)));
        if (!port) {
            QVERIFY(http().sent.isEmpty());
            QVERIFY(notice().startsWith(QStringLiteral("Couldn't start Pellow's sync server")));
            return;
        }
        QCOMPARE(http().sent.value(0).url.toString(),
                 QStringLiteral("http://127.0.0.1:%1/api/pellow/sync.php?action=pair").arg(port));
        QCOMPARE(fixture->fake.preferences.intValue("syncLocalPort"), port);
        QVERIFY(http().answer(json(R"({"ok":true,"code":"K7Q3FZ","token":"fresh"})")));
        // Unpaired, it stops once its leave is answered (the address the phone opens, and the start
        // with Pellow on the kept port, are local_sync_e2e.py's).
        fixture->app->unpairPhone();
        QVERIFY(server.running);
        while (http().answer(std::nullopt)) {
        }
        QVERIFY(!server.running);
    }

    void serverAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("endpoint"); // empty: refused
        QTest::newRow("own server") << " https://a.example:8443/p// "
                                    << "https://a.example:8443/p/api/pellow/sync.php";
        QTest::newRow("empty: this computer, started at pairing") << QString() << "none yet";
        for (const char* refused : {"http://a.example", "http://127.0.0.1:8787", "https://",
                                    "https://a.example/?a=1", "https://me@a.example"})
            QTest::newRow(refused) << QString(refused) << QString();
    }
    // "Sync server…": a usable address replaces the server and forgets the old one's token and replies.
    void serverAddress()
    {
        QFETCH(QString, typed);
        QFETCH(QString, endpoint);
        fixture->fake.preferences.setString("syncServer", "https://old.example.org");
        launchPaired(3);
        fixture->app->pairWithPhone();
        fixture->app->chooseSyncServer();
        QCOMPARE(fixture->app->hudPromptFields.value(0)->text(), QStringLiteral("https://old.example.org"));
        fixture->app->hudPromptFields.value(0)->setText(typed);
        fixture->app->hudPromptConfirm();
        if (endpoint.isEmpty()) {
            QCOMPARE(notice(), QStringLiteral("That isn't an https address"));
            QCOMPARE(token(), QStringLiteral("secret"));
            QCOMPARE(fixture->app->syncAPI.toString(), "https://old.example.org/api/pellow/sync.php");
            return;
        }
        QCOMPARE(fixture->app->syncAPI.toString(), endpoint == "none yet" ? QString() : endpoint);
        QCOMPARE(fixture->fake.preferences.isStored("syncServer"), !typed.isEmpty());
        QCOMPARE(notice(), QStringLiteral("The phone is no longer syncing"));
        // The old server is asked to forget the pairing; a pairing it answers late is not taken up
        // (a late pull or push is the pairing table's).
        QCOMPARE(http().action(1), QStringLiteral("leave"));
        QCOMPARE(http().sent[1].url.host(), QStringLiteral("old.example.org"));
        QCOMPARE(http().sent[1].body, json(R"({"token":"secret"})"));
        QVERIFY(http().answer(json(R"({"ok":true,"code":"K7Q-3FZ","token":"fresh"})")));
        QVERIFY(!token() && !fixture->fake.preferences.isStored("syncRev"));
        QVERIFY(!fixture->app->pairingDialog);
        QCOMPARE(fixture->fake.notifier.posted.size(), 1);
        change();
        advance(60);
        QCOMPARE(http().sent.size(), 2);
        QVERIFY(titles(fixture->fake.tray.menu).contains("Sync with phone\u2026"));
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
