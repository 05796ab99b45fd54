#include "PellowTimer.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

bool allFinite(const PellowTimer& t)
{
    if (!std::isfinite(t.duration) || !std::isfinite(t.banked) || !std::isfinite(t.startedAt))
        return false;
    for (double w : t.warned)
        if (!std::isfinite(w))
            return false;
    return true;
}

QJsonObject encodeOne(const PellowTimer& t)
{
    QJsonArray warned;
    for (double w : t.warned)
        warned.append(w);
    QJsonObject o{
        {QStringLiteral("id"), t.id},           {QStringLiteral("label"), t.label},
        {QStringLiteral("mode"), t.mode},       {QStringLiteral("duration"), t.duration},
        {QStringLiteral("banked"), t.banked},   {QStringLiteral("startedAt"), t.startedAt},
        {QStringLiteral("running"), t.running}, {QStringLiteral("alerted"), t.alerted},
        {QStringLiteral("warned"), warned},
    };
    if (t.color)
        o.insert(QStringLiteral("color"), *t.color);
    return o;
}

std::optional<QString> readString(const QJsonObject& o, QLatin1String key)
{
    const QJsonValue v = o.value(key);
    if (!v.isString())
        return std::nullopt;
    return v.toString();
}

std::optional<double> readNumber(const QJsonObject& o, QLatin1String key)
{
    const QJsonValue v = o.value(key);
    if (!v.isDouble())
        return std::nullopt;
    return v.toDouble();
}

std::optional<bool> readBool(const QJsonObject& o, QLatin1String key)
{
    const QJsonValue v = o.value(key);
    if (!v.isBool())
        return std::nullopt;
    return v.toBool();
}

std::optional<PellowTimer> decodeOne(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto id = readString(o, QLatin1String("id"));
    const auto label = readString(o, QLatin1String("label"));
    const auto mode = readString(o, QLatin1String("mode"));
    const auto duration = readNumber(o, QLatin1String("duration"));
    const auto banked = readNumber(o, QLatin1String("banked"));
    const auto startedAt = readNumber(o, QLatin1String("startedAt"));
    const auto running = readBool(o, QLatin1String("running"));
    const auto alerted = readBool(o, QLatin1String("alerted"));
    const QJsonValue warnedValue = o.value(QLatin1String("warned"));
    if (!id || !label || !mode || !duration || !banked || !startedAt || !running || !alerted ||
        !warnedValue.isArray())
        return std::nullopt;

    PellowTimer t;
    t.id = *id;
    t.label = *label;
    t.mode = *mode;
    t.duration = *duration;
    t.banked = *banked;
    t.startedAt = *startedAt;
    t.running = *running;
    t.alerted = *alerted;
    const QJsonArray warned = warnedValue.toArray();
    t.warned.reserve(warned.size());
    for (const QJsonValue& w : warned) {
        if (!w.isDouble())
            return std::nullopt;
        t.warned.append(w.toDouble());
    }
    const QJsonValue color = o.value(QLatin1String("color"));
    if (color.isString())
        t.color = color.toString();
    else if (!color.isUndefined() && !color.isNull())
        return std::nullopt;
    return t;
}

} // namespace

namespace TimerJson {

std::optional<QJsonArray> encode(const TimerList& timers)
{
    QJsonArray array;
    for (const PellowTimer& t : timers) {
        if (!allFinite(t))
            return std::nullopt;
        array.append(encodeOne(t));
    }
    return array;
}

std::optional<QByteArray> encodeBytes(const TimerList& timers)
{
    const auto array = encode(timers);
    if (!array)
        return std::nullopt;
    return QJsonDocument(*array).toJson(QJsonDocument::Compact);
}

std::optional<TimerList> decode(const QJsonArray& array)
{
    TimerList timers;
    timers.reserve(array.size());
    for (const QJsonValue& v : array) {
        auto t = decodeOne(v);
        if (!t)
            return std::nullopt;
        timers.append(std::move(*t));
    }
    return timers;
}

std::optional<TimerList> decodeBytes(const QByteArray& bytes)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    return decode(doc.array());
}

} // namespace TimerJson
