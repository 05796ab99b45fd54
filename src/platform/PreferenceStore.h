#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <functional>
#include <optional>

// The user's preferences: a map of keys to JSON values with a registration layer of defaults.
// Registered defaults answer reads of keys that were never written and are never persisted.
// Typed reads give the getter's empty value for a missing key or a value of another type.
class PreferenceStore
{
public:
    virtual ~PreferenceStore() = default;

    void registerDefaults(const QJsonObject& defaults);

    // The stored value, else the registered default, else undefined.
    QJsonValue value(const QString& key) const;
    bool isStored(const QString& key) const { return m_stored.contains(key); }

    bool boolValue(const QString& key) const;
    qint64 intValue(const QString& key) const;
    double doubleValue(const QString& key) const;
    std::optional<QString> stringValue(const QString& key) const;
    std::optional<QJsonArray> listValue(const QString& key) const;

    void setValue(const QString& key, const QJsonValue& value);
    void setBool(const QString& key, bool value) { setValue(key, value); }
    void setInt(const QString& key, qint64 value) { setValue(key, value); }
    void setDouble(const QString& key, double value) { setValue(key, value); }
    void setString(const QString& key, const QString& value) { setValue(key, value); }
    void setList(const QString& key, const QJsonArray& value) { setValue(key, value); }
    void remove(const QString& key);

    const QJsonObject& storedValues() const { return m_stored; }

    // Called with the reason when a write fails after one that did not (so once per spell of
    // failures); the values stay in memory and go out with the next write that succeeds.
    using WriteFailed = std::function<void(const QString& reason)>;
    void setWriteFailedHandler(WriteFailed handler) { m_writeFailed = std::move(handler); }

protected:
    explicit PreferenceStore(QJsonObject stored = {}) : m_stored(std::move(stored)) {}
    // Called after every change with the whole stored map; gives why it was not written, if not.
    virtual std::optional<QString> persist(const QJsonObject& stored) = 0;

private:
    void write();

    QJsonObject m_stored;
    QJsonObject m_defaults;
    WriteFailed m_writeFailed;
    bool m_lastWriteOk = true;
};
