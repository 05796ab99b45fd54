#include "platform/DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Desktop notifications as a notification service on the session bus receives them, and an
// action clicked there coming back to Pellow.
class TestNotifier : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_service;
    QList<QUrl> m_opened;
    QStringList m_fallback;

    QString log() const { return m_dir.filePath(QStringLiteral("notifications.jsonl")); }
    QList<QJsonObject> shown() const
    {
        QFile file(log());
        QList<QJsonObject> lines;
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    lines << QJsonDocument::fromJson(line).object();
        return lines;
    }

public slots:
    void openUrl(const QUrl& url) { m_opened << url; }

private slots:
    void initTestCase()
    {
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        m_service.start(QStringLiteral(PELLOW_NOTIFICATION_RECORDER),
                        {log(), QStringLiteral("--click"), QStringLiteral("Download")});
        QVERIFY(QTest::qWaitFor(
            [] {
                return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    QStringLiteral("org.freedesktop.Notifications"));
            },
            30'000));
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        m_service.kill();
        m_service.waitForFinished();
    }

    // A notice with a link: its title, body and action as the service shows them, and the action
    // clicked there opening the link (plain notices are run_e2e.sh's, through the whole app).
    void linkRoundTrip()
    {
        DBusNotifier notifier([this](const QString&, const QString& body) { m_fallback << body; });
        const QUrl link(QStringLiteral("https://pellow.app/get"));
        notifier.postLink(QStringLiteral("Pellow 2.0 is out"), QStringLiteral("Get it"),
                          QStringLiteral("Download"), link);
        QVERIFY(QTest::qWaitFor([&] { return !shown().isEmpty(); }, 30'000));
        const QJsonObject line = shown().value(0);
        QCOMPARE(line.value("app").toString(), QStringLiteral("Pellow"));
        QCOMPARE(line.value("summary").toString(), QStringLiteral("Pellow 2.0 is out"));
        QCOMPARE(line.value("body").toString(), QStringLiteral("Get it"));
        QVERIFY(line.value("actions").toArray().contains(QStringLiteral("Download")));
        QVERIFY(QTest::qWaitFor([&] { return !m_opened.isEmpty(); }, 30'000));
        QCOMPARE(m_opened, QList<QUrl>{link});
        QVERIFY(m_fallback.isEmpty());
    }
};

QTEST_MAIN(TestNotifier)
#include "tst_notifier.moc"
