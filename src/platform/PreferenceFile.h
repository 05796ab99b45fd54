#pragma once

#include "PreferenceStore.h"

#include <QByteArray>
#include <QString>

// The preference store kept in one JSON file, written atomically and readable by its owner
// only. A file that cannot be read is moved aside, never overwritten.
class PreferenceFile final : public PreferenceStore
{
public:
    enum class LoadStatus
    {
        Missing,
        Loaded,
        MovedAside,
        Unreadable
    };

    explicit PreferenceFile(const QString& path);

    // $XDG_CONFIG_HOME/pellow/preferences.json
    static QString defaultPath();
    // The map of a file's bytes, or none when they are not one JSON object.
    static std::optional<QJsonObject> parse(const QByteArray& bytes);

    LoadStatus loadStatus() const { return m_status; }
    // Where an unreadable file was moved to.
    QString movedAsidePath() const { return m_movedAside; }
    QString path() const { return m_path; }

    static QByteArray serialize(const QJsonObject& stored);

protected:
    std::optional<QString> persist(const QJsonObject& stored) override;

private:
    struct Loaded
    {
        QJsonObject values;
        LoadStatus status = LoadStatus::Missing;
        QString movedAside;
    };
    static Loaded load(const QString& path);
    PreferenceFile(const QString& path, Loaded loaded);

    QString m_path;
    LoadStatus m_status = LoadStatus::Missing;
    QString m_movedAside;
};
