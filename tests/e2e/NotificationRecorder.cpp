// A stand-in desktop notification server for the end-to-end test (Notify is all Pellow calls).
//
//   pellow-notification-recorder <output-file>
//       Owns org.freedesktop.Notifications on the session bus and appends every Notify call to
//       <output-file> as one JSON line: {"app":...,"at":...,"body":...,"summary":...}, "at" being
//       when it came, in seconds since 1970.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QFile out;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int)
    {
        const QJsonObject line{{"app", appName},
                               {"at", double(QDateTime::currentMSecsSinceEpoch()) / 1000.0},
                               {"summary", summary},
                               {"body", body}};
        out.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        out.flush();
        return replacesId != 0 ? replacesId : ++m_lastId;
    }

private:
    uint m_lastId = 0;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const auto fail = [](const QString& why) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 2;
    };
    if (args.size() != 2 || args.at(1).startsWith(QLatin1String("--")))
        return fail("usage: pellow-notification-recorder <output-file>");
    NotificationServer server;
    server.out.setFileName(args.at(1));
    if (!server.out.open(QIODevice::WriteOnly | QIODevice::Append))
        return fail("cannot open " + args.at(1));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return fail("cannot own org.freedesktop.Notifications: " + bus.lastError().message());
    return QCoreApplication::exec();
}

#include "NotificationRecorder.moc"
