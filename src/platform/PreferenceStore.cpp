#include "PreferenceStore.h"

#include <cmath>
#include <limits>

void PreferenceStore::registerDefaults(const QJsonObject& defaults)
{
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_defaults.insert(it.key(), it.value());
}

QJsonValue PreferenceStore::value(const QString& key) const
{
    const auto stored = m_stored.constFind(key);
    if (stored != m_stored.constEnd())
        return *stored;
    return m_defaults.value(key);
}

bool PreferenceStore::boolValue(const QString& key) const
{
    const QJsonValue v = value(key);
    return v.isBool() && v.toBool();
}

qint64 PreferenceStore::intValue(const QString& key) const
{
    const QJsonValue v = value(key);
    if (!v.isDouble())
        return 0;
    // Whole numbers come back exactly, even beyond a double's 53-bit precision.
    constexpr qint64 notWhole = std::numeric_limits<qint64>::min();
    if (const qint64 exact = v.toInteger(notWhole); exact != notWhole)
        return exact;
    const double d = std::trunc(v.toDouble());
    constexpr double limit = 9223372036854774784.0;
    if (d >= limit)
        return std::numeric_limits<qint64>::max();
    if (d <= -limit)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(d);
}

double PreferenceStore::doubleValue(const QString& key) const
{
    const QJsonValue v = value(key);
    return v.isDouble() ? v.toDouble() : 0.0;
}

std::optional<QString> PreferenceStore::stringValue(const QString& key) const
{
    const QJsonValue v = value(key);
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}

std::optional<QJsonArray> PreferenceStore::listValue(const QString& key) const
{
    const QJsonValue v = value(key);
    if (!v.isArray())
        return std::nullopt;
    return v.toArray();
}

void PreferenceStore::setValue(const QString& key, const QJsonValue& value)
{
    m_stored.insert(key, value);
    write();
}

void PreferenceStore::remove(const QString& key)
{
    if (!m_stored.contains(key))
        return;
    m_stored.remove(key);
    write();
}

void PreferenceStore::write()
{
    const std::optional<QString> failure = persist(m_stored);
    if (failure && m_lastWriteOk && m_writeFailed)
        m_writeFailed(*failure);
    m_lastWriteOk = !failure;
}
