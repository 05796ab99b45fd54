#pragma once

#include <QString>

// One line per request on stderr: time, client, method, path, action, status and body sizes.
// The body is never logged, so neither is any token; text from the client is cleaned of
// anything that could forge a line.
namespace RequestLog {

void request(const QString& client, const std::string& method, const std::string& path,
             const std::string& action, int status, std::size_t bytesIn, std::size_t bytesOut);
void note(const QString& text);

} // namespace RequestLog
