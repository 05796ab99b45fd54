#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

// HTTPS requests whose replies are JSON objects. A reply is judged by its body alone: an HTTP
// error status with a JSON object body is a reply like any other; no body, a body that is not
// a JSON object, a failed connection, an untrusted certificate or a time-out are none.
class HttpClient
{
public:
    using Reply = std::optional<QJsonObject>;
    using Done = std::function<void(Reply)>;

    virtual ~HttpClient() = default;
    // POSTs `body` as "application/json"; `done` runs exactly once, later, on the main thread.
    virtual void postJson(const QUrl& url, const QByteArray& body, Done done) = 0;
    // GETs `url`, with the same reading of the reply.
    virtual void getJson(const QUrl& url, Done done) = 0;
    // A PEM file whose certificates are trusted besides the system's; empty for the system's
    // alone. Certificate checks are never switched off.
    virtual void setExtraCertificates(const QString& pemPath) = 0;
};
