#pragma once

#include "HttpClient.h"

#include <QSslConfiguration>

#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkRequest;
class QNetworkReply;

// HttpClient over QNetworkAccessManager, on the main thread's event loop: nothing blocks.
class QtHttpClient final : public HttpClient
{
public:
    // Requests give up `timeoutMs` after they start, however the server trickles its answer; replies longer
    // than `maxReplyBytes` are cut off and count as none.
    explicit QtHttpClient(int timeoutMs = 12'000, qint64 maxReplyBytes = 4 * 1024 * 1024);
    ~QtHttpClient() override;

    void postJson(const QUrl& url, const QByteArray& body, Done done) override;
    void getJson(const QUrl& url, Done done) override;
    void setExtraCertificates(const QString& pemPath) override;

private:
    QNetworkRequest request(const QUrl& url) const;
    void watch(QNetworkReply* reply, Done done);
    void finished(QNetworkReply* reply, const Done& done);

    int m_timeoutMs;
    qint64 m_maxReplyBytes;
    // The trust of every request when extra certificates are named; none for the default.
    std::optional<QSslConfiguration> m_tls;
    std::unique_ptr<QNetworkAccessManager> m_manager;
};
