#include "PreferenceFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString asidePath(const QString& path)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString candidate = path + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = path + QStringLiteral(".unreadable-%1-%2").arg(stamp).arg(n);
    return candidate;
}

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

} // namespace

PreferenceFile::PreferenceFile(const QString& path) : PreferenceFile(path, load(path)) {}

PreferenceFile::PreferenceFile(const QString& path, Loaded loaded)
    : PreferenceStore(std::move(loaded.values)), m_path(path), m_status(loaded.status),
      m_movedAside(std::move(loaded.movedAside))
{}

QString PreferenceFile::defaultPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/pellow/preferences.json");
}

std::optional<QJsonObject> PreferenceFile::parse(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

PreferenceFile::Loaded PreferenceFile::load(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {{}, LoadStatus::Missing, {}};
    if (file.open(QIODevice::ReadOnly)) {
        const auto values = parse(file.readAll());
        file.close();
        if (values)
            return {*values, LoadStatus::Loaded, {}};
    }
    const QString aside = asidePath(path);
    if (QFile::rename(path, aside))
        return {{}, LoadStatus::MovedAside, aside};
    return {{}, LoadStatus::Unreadable, {}};
}

QByteArray PreferenceFile::serialize(const QJsonObject& stored)
{
    return QJsonDocument(stored).toJson(QJsonDocument::Indented);
}

std::optional<QString> PreferenceFile::persist(const QJsonObject& stored)
{
    // A file that could be neither read nor moved aside is never overwritten.
    if (m_status == LoadStatus::Unreadable)
        return QStringLiteral("%1 could not be read, so it is left as it is").arg(m_path);
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // The old file stays whole until the new one is complete: a failure loses nothing stored.
    // Unbuffered, so a short write (a full disk) is seen here: a buffered one surfaces only in
    // commit's flush, which renames the cut-off file over the old one all the same.
    QSaveFile file(m_path);
    const QByteArray bytes = serialize(stored);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.setPermissions(kOwnerOnly) &&
        file.write(bytes) == bytes.size() && file.commit())
        return std::nullopt;
    const QString reason = QStringLiteral("%1: %2").arg(m_path, file.errorString());
    file.cancelWriting();
    return reason;
}
