// A stand-in desktop notification server for the end-to-end test (Notify is all Pellow calls).
//
//   pellow-notification-recorder <output-file>
//       Owns org.freedesktop.Notifications on the session bus and appends every Notify call to
//       <output-file> as one JSON line: {"app":...,"body":...,"summary":...}.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

namespace {

// Says why on stderr; returns the exit code.
int complain(const QString& text, int code = 2)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    return code;
}

class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit NotificationServer(QFile& out) : m_out(out) {}

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int)
    {
        const QJsonObject line{{"app", appName}, {"summary", summary}, {"body", body}};
        m_out.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        m_out.flush();
        return replacesId != 0 ? replacesId : ++m_lastId;
    }

private:
    QFile& m_out;
    uint m_lastId = 0;
};

int record(const QString& outputPath)
{
    QFile out(outputPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append))
        return complain("cannot open " + outputPath);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return complain("no session bus: " + bus.lastError().message());
    NotificationServer server(out);
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                            QDBusConnection::ExportAllSlots))
        return complain("cannot register the object");
    if (!bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return complain("cannot own org.freedesktop.Notifications: " + bus.lastError().message());
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 || args.at(1).startsWith(QLatin1String("--")))
        return complain("usage: pellow-notification-recorder <output-file>");
    return record(args.at(1));
}

#include "NotificationRecorder.moc"
