#include "RequestLog.h"

#include <QDateTime>

#include <cstdio>
#include <mutex>

namespace RequestLog {

namespace {

std::mutex g_mutex;

// Printable ASCII stays as it is; spaces, control characters, backslashes and every other
// byte become \xNN, so a field can neither end the line nor look like the next field.
QString escaped(const std::string& text, std::size_t limit)
{
    static constexpr char kHex[] = "0123456789abcdef";
    QString out;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c > 0x20 && c < 0x7f && c != '\\') {
            out += QChar(c);
        } else {
            out += QStringLiteral("\\x");
            out += QChar(kHex[c >> 4]);
            out += QChar(kHex[c & 0xf]);
        }
    }
    if (text.size() > limit)
        out += QStringLiteral("...");
    return out;
}

QString escaped(const QString& text, std::size_t limit)
{
    return escaped(text.toStdString(), limit);
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
    QString line =
        escaped(client, 64) + QLatin1Char(' ') + escaped(method, 16) + QLatin1Char(' ') + escaped(path, 80);
    if (!action.empty())
        line += QStringLiteral(" action=") + escaped(action, 16);
    line += QStringLiteral(" %1 in=%2 out=%3").arg(status).arg(bytesIn).arg(bytesOut);
    write(line);
}

void closed(const QString& client, const char* reason)
{
    write(escaped(client, 64) + QStringLiteral(" closed: ") + QLatin1String(reason));
}

void note(const QString& text)
{
    write(text);
}

} // namespace RequestLog
