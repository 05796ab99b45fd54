#include "RequestLog.h"

#include <QDateTime>

#include <cstdio>
#include <mutex>

namespace RequestLog {

namespace {

std::mutex g_mutex;

QString clean(const std::string& text, std::size_t limit)
{
    QString out;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += (c > 0x20 && c < 0x7f) ? QChar(c) : QChar(u'?');
    }
    if (text.size() > limit)
        out += QStringLiteral("...");
    return out;
}

void write(const QString& line)
{
    const QByteArray bytes = (QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) + QLatin1Char(' ') +
                              line + QLatin1Char('\n'))
                                 .toUtf8();
    const std::lock_guard lock(g_mutex);
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void request(const QString& client, const std::string& method, const std::string& path,
             const std::string& action, int status, std::size_t bytesIn, std::size_t bytesOut)
{
    QString line = client + QLatin1Char(' ') + clean(method, 16) + QLatin1Char(' ') + clean(path, 80);
    if (!action.empty())
        line += QStringLiteral(" action=") + clean(action, 16);
    line += QStringLiteral(" %1 in=%2 out=%3").arg(status).arg(bytesIn).arg(bytesOut);
    write(line);
}

void note(const QString& text)
{
    write(text);
}

} // namespace RequestLog
