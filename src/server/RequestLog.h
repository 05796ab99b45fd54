#pragma once

#include <QString>

// One line per request on stderr: time, client, method, path, action, status and body sizes.
// The body is never logged, so neither is any token; text from the client is cleaned of
// anything that could forge a line or a field.
namespace RequestLog {

void request(const QString& client, const std::string& method, const std::string& path,
             const std::string& action, int status, std::size_t bytesIn, std::size_t bytesOut);
// A connection closed without a reply, such as one that sent no complete request in time.
void closed(const QString& client, const char* reason);
void note(const QString& text);

} // namespace RequestLog
