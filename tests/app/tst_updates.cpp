#include "ControllerFixture.h"

#include "app/Updater.h"
#include "core/StatusMenuModel.h"
#include "core/UpdateRules.h"

#include <QFile>
#include <QJsonDocument>
#include <QTest>

// Update checks on fakes (when they run, what they say) and opening at login.
class TestUpdates : public QObject
{
    Q_OBJECT

    std::unique_ptr<ControllerFixture> f;
    FakeHttpClient& http() { return f->fake.http; }
    QStringList notices() const
    {
        QStringList out;
        for (const auto& [title, body] : f->fake.notifier.posted)
            out << title + QStringLiteral(": ") + body;
        return out;
    }

private slots:
    void init() { f = std::make_unique<ControllerFixture>(); }

    void feeds_data()
    {
        QTest::addColumn<QJsonObject>("feed");
        QTest::addColumn<int>("verdict"); // -1 refused, 0 not newer, 1 newer than 0.1.0
        const auto feed = [](const QJsonValue& version, const QJsonValue& url = "https://pellow.app/get") {
            return QJsonObject{{"version", version}, {"url", url}};
        };
        QTest::newRow("newer") << feed("1.4.0") << 1;
        QTest::newRow("same, shorter") << feed("0.1") << 0;
        QTest::newRow("older") << feed("0.0.9") << 0;
        QTest::newRow("ten after nine") << feed("0.10") << 1;
        QTest::newRow("suffix") << feed("1.4.0-beta") << -1;
        QTest::newRow("not a version") << feed("soon") << -1;
        QTest::newRow("plain http") << feed("2", "http://pellow.app") << -1;
        QTest::newRow("no url") << feed("2", QJsonValue()) << -1;
    }
    void feeds()
    {
        QFETCH(QJsonObject, feed);
        const auto parsed = UpdateRules::parseFeed(feed);
        QTEST(parsed ? int(UpdateRules::isNewer(*parsed, QVersionNumber(0, 1, 0))) : -1, "verdict");
    }

    void frequencies_data()
    {
        QTest::addColumn<QString>("stored"); // empty: nothing stored
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("checkAfterLaunch");
        QTest::newRow("first launch") << "" << false << true;
        QTest::newRow("unknown value") << "daily" << false << true;
        QTest::newRow("weekly") << "weekly" << true << false;
        QTest::newRow("never") << "never" << false << false;
    }
    // At launch: one background check 3 s in "on every launch", none otherwise.
    void frequencies()
    {
        QFETCH(QString, stored);
        f->launch({}, stored.isEmpty() ? QJsonObject() : QJsonObject{{"updateFrequency", stored}});
        QTEST(f->app->updater().automaticallyChecksForUpdates(), "automatic");
        f->fake.scheduler.advance(2.9);
        QVERIFY(http().fetched.isEmpty());
        f->fake.scheduler.advance(0.2);
        QTEST(http().fetched.size() == 1, "checkAfterLaunch");
    }

    // The next check of an automatic choice counts from the one stored, across restarts; Never stops it.
    void intervals()
    {
        const double day = 86400;
        f->launch({},
                  {{"updateFrequency", "monthly"}, {"updateLastCheck", f->fake.clock.current - 29 * day}});
        f->fake.scheduler.advance(day - 60);
        QVERIFY(http().fetched.isEmpty());
        f->fake.scheduler.advance(120);
        QCOMPARE(http().fetched.size(), 1);
        http().fetched[0].done(std::nullopt);
        QCOMPARE(f->fake.preferences.doubleValue(Updater::kLastCheckKey), f->fake.clock.current);
        QVERIFY(notices().isEmpty());
        f->app->setUpdateFrequency(ControllerFixture::sender(QStringLiteral("never")));
        QVERIFY(!f->app->updater().automaticallyChecksForUpdates());
        f->fake.scheduler.advance(60 * day);
        QCOMPARE(http().fetched.size(), 1);
    }

    void replies_data()
    {
        QTest::addColumn<bool>("interactive");
        QTest::addColumn<QString>("reply"); // empty: none
        QTest::addColumn<QString>("notice");
        const auto row = [](const char* name, bool interactive, const QString& reply, const QString& notice) {
            QTest::newRow(name) << interactive << reply << notice;
        };
        const QString newer = R"({"version":"1.4.0","url":"https://pellow.app/get","notes":"Faster."})";
        const QString found = "Pellow 1.4.0 is available: Faster.\nhttps://pellow.app/get";
        row("newer, asked", true, newer, found);
        row("newer, background", false, newer, found);
        row("up to date", true, R"({"version":"0.1.0","url":"https://pellow.app/get"})",
            "Pellow: Pellow is up to date");
        row("no reply, asked", true, "", "Pellow: Couldn't check for updates");
        row("garbage, background", false, R"({"v":1})", "");
    }
    void replies()
    {
        QFETCH(bool, interactive);
        QFETCH(QString, reply);
        f->launch({}, {{"updateFrequency", "never"}});
        if (interactive)
            f->app->checkForUpdates();
        else
            f->app->updater().checkForUpdatesInBackground();
        QCOMPARE(http().fetched.size(), 1);
        http().fetched[0].done(reply.isEmpty() ? HttpClient::Reply()
                                               : QJsonDocument::fromJson(reply.toUtf8()).object());
        QTEST(notices().join('|'), "notice");
    }

    // A build without update checks leaves their items out (tst_statusmenu has them in).
    void menuWithoutUpdates()
    {
        StatusMenuState state;
        state.updatesOffered = false;
        for (const MenuItem& item : StatusMenuModel::buildStatusMenu(state, false).items)
            QVERIFY2(!item.title.startsWith(QLatin1String("Check")), qPrintable(item.title));
    }

    // "Open at login" follows the autostart entry, not a preference; a failure says why.
    void openAtLogin()
    {
        f->launch();
        const auto checked = [this] {
            const auto& items = f->fake.tray.menu.items;
            return std::any_of(items.begin(), items.end(),
                               [](auto& i) { return i.checked && i.title == "Open at login"; });
        };
        QVERIFY(!checked());
        f->app->toggleOpenAtLogin();
        QVERIFY(f->fake.autostart.enabled && checked());
        f->fake.autostart.failure = QStringLiteral("read-only");
        f->app->toggleOpenAtLogin();
        QVERIFY(f->fake.autostart.enabled && checked());
        QCOMPARE(notices(), QStringList{"Pellow: Couldn't change whether Pellow opens at login: read-only"});
    }

    void autostartFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("autostart/app.pellow.Pellow.desktop"));
        AutostartFile file(path, QStringLiteral("/opt/my apps/$pellow"));
        QString error;
        QVERIFY(!file.isEnabled());
        QVERIFY(file.setEnabled(true, &error) && file.isEnabled());
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("\nExec=\"/opt/my apps/\\\\$pellow\"\n"));
        QVERIFY(file.setEnabled(false, &error) && !file.isEnabled());
        QVERIFY(file.setEnabled(false, &error)); // already off: still a success
    }
};

QTEST_MAIN(TestUpdates)
#include "tst_updates.moc"
