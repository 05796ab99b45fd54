// A stand-in desktop notification server for the end-to-end test.
//
//   pellow-notification-recorder <output-file>
//       Owns org.freedesktop.Notifications on the session bus and appends every Notify call to
//       <output-file> as one JSON line: {"app":...,"body":...,"summary":...}.
//
//   pellow-notification-recorder --check-json <file> <path>=<json>...
//       Checks values in a JSON file and exits 0 when all match, 1 otherwise (reasons on stderr).
//       A path is dot-separated; a step may pick the array element whose field has a given text,
//       key[label=Tea]. The right side is JSON: 60, false, "text", {"keep":true}.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QRegularExpression>
#include <QStringList>
#include <QVariantMap>

#include <algorithm>
#include <cstdio>

namespace {

class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit NotificationServer(QFile& out) : m_out(out) {}

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& /*appIcon*/, const QString& summary,
                const QString& body, const QStringList& /*actions*/, const QVariantMap& /*hints*/,
                int /*expireTimeout*/)
    {
        const QJsonObject line{
            {QStringLiteral("app"), appName},
            {QStringLiteral("summary"), summary},
            {QStringLiteral("body"), body},
        };
        m_out.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        m_out.flush();
        return replacesId != 0 ? replacesId : ++m_lastId;
    }

    QStringList GetCapabilities() { return {QStringLiteral("body")}; }

    QString GetServerInformation(QString& vendor, QString& version, QString& protocolVersion)
    {
        vendor = QStringLiteral("Pellow tests");
        version = QStringLiteral("1.0");
        protocolVersion = QStringLiteral("1.2");
        return QStringLiteral("pellow-notification-recorder");
    }

    void CloseNotification(uint) {}

private:
    QFile& m_out;
    uint m_lastId = 0;
};

int record(const QString& outputPath)
{
    QFile out(outputPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(outputPath));
        return 2;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "no session bus: %s\n", qPrintable(bus.lastError().message()));
        return 2;
    }
    NotificationServer server(out);
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                            QDBusConnection::ExportAllSlots)) {
        std::fprintf(stderr, "cannot register the object\n");
        return 2;
    }
    if (!bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "cannot own org.freedesktop.Notifications: %s\n",
                     qPrintable(bus.lastError().message()));
        return 2;
    }
    return QCoreApplication::exec();
}

// Follows one dot-separated path; returns Undefined when a step is missing.
QJsonValue lookUp(QJsonValue value, const QString& path)
{
    static const QRegularExpression stepPattern(QStringLiteral(R"(^([^\[\]]*)(?:\[([^\]=]*)=([^\]]*)\])?$)"));
    for (const QString& step : path.split(QLatin1Char('.'))) {
        const QRegularExpressionMatch m = stepPattern.match(step);
        if (!m.hasMatch())
            return QJsonValue(QJsonValue::Undefined);
        if (!m.captured(1).isEmpty())
            value =
                value.isObject() ? value.toObject().value(m.captured(1)) : QJsonValue(QJsonValue::Undefined);
        if (!m.hasCaptured(2))
            continue;
        const QJsonArray array = value.toArray(); // empty when it is no array
        const auto found = std::find_if(array.begin(), array.end(), [&](const QJsonValue& element) {
            return element.toObject().value(m.captured(2)) == QJsonValue(m.captured(3));
        });
        value = found == array.end() ? QJsonValue(QJsonValue::Undefined) : *found;
    }
    return value;
}

QString show(const QJsonValue& value)
{
    if (value.isUndefined())
        return QStringLiteral("(missing)");
    const QJsonArray wrapped{value};
    const QByteArray text = QJsonDocument(wrapped).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

int checkJson(const QString& filePath, const QStringList& checks)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(filePath));
        return 1;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        std::fprintf(stderr, "%s is not a JSON object: %s\n", qPrintable(filePath),
                     qPrintable(error.errorString()));
        return 1;
    }
    int failures = 0;
    for (const QString& check : checks) {
        // The path may hold '=' inside a selector: split at the first '=' outside brackets.
        static const QRegularExpression checkPattern(QStringLiteral(R"(^((?:[^=\[]|\[[^\]]*\])*)=(.*)$)"));
        const QRegularExpressionMatch split = checkPattern.match(check);
        if (!split.hasMatch()) {
            std::fprintf(stderr, "bad check (no '='): %s\n", qPrintable(check));
            ++failures;
            continue;
        }
        const QString path = split.captured(1);
        const QByteArray expectedText = "[" + split.captured(2).toUtf8() + "]";
        const QJsonDocument expectedDoc = QJsonDocument::fromJson(expectedText, &error);
        if (error.error != QJsonParseError::NoError) {
            std::fprintf(stderr, "bad expected value in %s\n", qPrintable(check));
            ++failures;
            continue;
        }
        const QJsonValue expected = expectedDoc.array().at(0);
        const QJsonValue actual = lookUp(QJsonValue(doc.object()), path);
        if (actual != expected) {
            std::fprintf(stderr, "%s is %s, expected %s\n", qPrintable(path), qPrintable(show(actual)),
                         qPrintable(show(expected)));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 3 && args.at(1) == QLatin1String("--check-json"))
        return checkJson(args.at(2), args.mid(3));
    if (args.size() != 2 || args.at(1).startsWith(QLatin1String("--"))) {
        std::fprintf(stderr, "usage: pellow-notification-recorder <output-file>\n"
                             "       pellow-notification-recorder --check-json <file> <path>=<json>...\n");
        return 2;
    }
    return record(args.at(1));
}

#include "NotificationRecorder.moc"
