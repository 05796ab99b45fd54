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

    void notices_data()
    {
        QTest::addColumn<QString>("action"); // empty: a plain notice
        QTest::addColumn<QUrl>("link");
        QTest::newRow("plain") << QString() << QUrl();
        QTest::newRow("with a link") << QStringLiteral("Download") << QUrl("https://pellow.app/get");
    }
    void notices()
    {
        QFETCH(QString, action);
        QFETCH(QUrl, link);
        m_opened.clear();
        const qsizetype before = shown().size();
        DBusNotifier notifier([this](const QString&, const QString& body) { m_fallback << body; });
        if (action.isEmpty())
            notifier.post(QStringLiteral("Tea finished"), QStringLiteral("10:00 is up"));
        else
            notifier.postLink(QStringLiteral("Pellow 2.0 is out"), QStringLiteral("Get it"), action, link);
        QVERIFY(QTest::qWaitFor([&] { return shown().size() > before; }, 30'000));
        const QJsonObject line = shown().value(before);
        QCOMPARE(line.value("app").toString(), QStringLiteral("Pellow"));
        QCOMPARE(line.value("summary").toString(), action.isEmpty() ? "Tea finished" : "Pellow 2.0 is out");
        QCOMPARE(line.value("body").toString(), action.isEmpty() ? "10:00 is up" : "Get it");
        QCOMPARE(line.value("actions").toArray().contains(action), !action.isEmpty());
        if (!link.isEmpty()) {
            QVERIFY(QTest::qWaitFor([&] { return !m_opened.isEmpty(); }, 30'000));
            QCOMPARE(m_opened, QList<QUrl>{link});
        }
        QVERIFY(m_fallback.isEmpty());
    }
};

QTEST_MAIN(TestNotifier)
#include "tst_notifier.moc"
