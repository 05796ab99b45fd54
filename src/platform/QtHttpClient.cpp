#include "QtHttpClient.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>
#include <QtDebug>

QtHttpClient::QtHttpClient(int timeoutMs, qint64 maxReplyBytes)
    : m_timeoutMs(timeoutMs), m_maxReplyBytes(maxReplyBytes),
      m_manager(std::make_unique<QNetworkAccessManager>())
{}

QtHttpClient::~QtHttpClient() = default;

void QtHttpClient::setExtraCertificates(const QString& pemPath)
{
    m_tls.reset();
    if (!pemPath.isEmpty()) {
        const QList<QSslCertificate> extra =
            QSslCertificate::fromPath(pemPath, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
        if (extra.isEmpty()) {
            qWarning("No certificate could be read from %s; trusting the system's alone.",
                     qPrintable(pemPath));
        } else {
            // Naming certificates ends loading the system's on demand, so they are named too.
            m_tls = QSslConfiguration::defaultConfiguration();
            m_tls->setCaCertificates(QSslConfiguration::systemCaCertificates() + extra);
        }
    }
    // Connections stay open per host and port with the TLS settings they were made with: drop
    // the idle ones so the new trust applies to the next request. Requests in flight finish.
    m_manager->clearConnectionCache();
}

QNetworkRequest QtHttpClient::request(const QUrl& url) const
{
    QNetworkRequest request(url);
    if (m_tls)
        request.setSslConfiguration(*m_tls);
    return request;
}

void QtHttpClient::postJson(const QUrl& url, const QByteArray& body, Done done)
{
    QNetworkRequest post = request(url);
    post.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    watch(m_manager->post(post, body), std::move(done));
}

void QtHttpClient::getJson(const QUrl& url, Done done)
{
    watch(m_manager->get(request(url)), std::move(done));
}

void QtHttpClient::watch(QNetworkReply* reply, Done done)
{
    // The whole request, not just a silence, has this long: a server that trickles a byte now and
    // then would otherwise hold the request, and every sync behind it, for as long as it likes.
    // Aborted, the reply finishes as a failure; the timer goes with the reply.
    QTimer::singleShot(m_timeoutMs, reply, [reply] { reply->abort(); });
    // A reply past the limit is cut off: aborted, it finishes as a failure.
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, limit = m_maxReplyBytes](qint64 received, qint64 total) {
                         if (received > limit || total > limit)
                             reply->abort();
                     });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [this, reply, done = std::move(done)] { finished(reply, done); });
}

void QtHttpClient::finished(QNetworkReply* reply, const Done& done)
{
    reply->deleteLater();
    // A transport failure (no connection, TLS, time-out, cut off) leaves no answer to read;
    // an HTTP error status still carries the server's body.
    const QNetworkReply::NetworkError error = reply->error();
    const bool transportFailed =
        error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    Reply result;
    if (!transportFailed && answered) {
        const QJsonDocument document = QJsonDocument::fromJson(reply->readAll());
        if (document.isObject())
            result = document.object();
    }
    done(result);
}
