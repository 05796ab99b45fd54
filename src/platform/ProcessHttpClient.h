#pragma once

#include "HttpClient.h"

#include <QString>
#include <QStringList>

// HttpClient that makes each request in a short-lived child process (`program --http-request`,
// see HttpRequestCommand.h), so the TLS libraries and their tables are loaded there and leave
// with it: an occasional request, such as an update check, costs the long-running process no
// memory. The child judges replies as QtHttpClient does; a child that fails, is killed or
// takes longer than `timeoutMs` gives none.
class ProcessHttpClient final : public HttpClient
{
public:
    explicit ProcessHttpClient(QString program, int timeoutMs = 20'000);

    void postJson(const QUrl& url, const QByteArray& body, Done done) override;
    void getJson(const QUrl& url, Done done) override;
    void setExtraCertificates(const QString& pemPath) override;

private:
    void run(QStringList arguments, const QByteArray& input, Done done);

    QString m_program;
    int m_timeoutMs;
    QString m_pemPath;
};
