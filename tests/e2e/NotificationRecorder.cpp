// A stand-in desktop notification server for the tests (Notify is all Pellow calls): owns
// org.freedesktop.Notifications on the session bus and appends each Notify call to <output-file> as one
// JSON line of app, at (seconds since 1970), summary, body and actions. With --click, an action of that
// title is invoked as soon as its notification is shown, as a user's click on its button would.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>

class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QFile out;
    QString click;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap&, int)
    {
        const QJsonObject line{{"app", appName},
                               {"at", double(QDateTime::currentMSecsSinceEpoch()) / 1000.0},
                               {"summary", summary},
                               {"body", body},
                               {"actions", QJsonArray::fromStringList(actions)}};
        out.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        out.flush();
        const uint id = replacesId != 0 ? replacesId : ++m_lastId;
        // Actions come in pairs of key and title; the click follows the reply.
        for (qsizetype i = 0; !click.isEmpty() && i + 1 < actions.size(); i += 2) {
            if (actions[i + 1] == click) {
                QTimer::singleShot(0, this, [id, key = actions[i]] {
                    QDBusMessage signal = QDBusMessage::createSignal(
                        QStringLiteral("/org/freedesktop/Notifications"),
                        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
                    signal << id << key;
                    QDBusConnection::sessionBus().send(signal);
                });
                break;
            }
        }
        return id;
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
    const bool clicks = args.size() == 4 && args.at(2) == QLatin1String("--click");
    if ((args.size() != 2 && !clicks) || args.at(1).startsWith(QLatin1String("--")))
        return fail("usage: pellow-notification-recorder <output-file> [--click <action title>]");
    NotificationServer server;
    if (clicks)
        server.click = args.at(3);
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
