// A stand-in desktop notification server for the end-to-end test (Notify is all Pellow calls).
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
    const QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return value.isUndefined() ? QStringLiteral("(missing)")
                               : QString::fromUtf8(text.mid(1, text.size() - 2));
}

int checkJson(const QString& filePath, const QStringList& checks)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return complain("cannot read " + filePath, 1);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return complain(filePath + " is not a JSON object: " + error.errorString(), 1);
    // The path may hold '=' inside a selector: split at the first '=' outside brackets.
    static const QRegularExpression checkPattern(QStringLiteral(R"(^((?:[^=\[]|\[[^\]]*\])*)=(.*)$)"));
    int failures = 0;
    for (const QString& check : checks) {
        const QRegularExpressionMatch split = checkPattern.match(check);
        const QJsonDocument expected =
            QJsonDocument::fromJson("[" + split.captured(2).toUtf8() + "]", &error);
        if (!split.hasMatch() || error.error != QJsonParseError::NoError) {
            failures += complain("bad check: " + check);
            continue;
        }
        const QJsonValue actual = lookUp(QJsonValue(doc.object()), split.captured(1));
        if (actual != expected.array().at(0))
            failures += complain(split.captured(1) + " is " + show(actual) + ", expected " +
                                 show(expected.array().at(0)));
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
    if (args.size() != 2 || args.at(1).startsWith(QLatin1String("--")))
        return complain("usage: pellow-notification-recorder <output-file>\n"
                        "       pellow-notification-recorder --check-json <file> <path>=<json>...");
    return record(args.at(1));
}

#include "NotificationRecorder.moc"
