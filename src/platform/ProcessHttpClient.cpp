#include "ProcessHttpClient.h"

#include "HttpRequestCommand.h"

#include <QJsonDocument>
#include <QProcess>
#include <QTimer>

#include <memory>

ProcessHttpClient::ProcessHttpClient(QString program, int timeoutMs)
    : m_program(std::move(program)), m_timeoutMs(timeoutMs)
{}

void ProcessHttpClient::setExtraCertificates(const QString& pemPath)
{
    m_pemPath = pemPath;
}

void ProcessHttpClient::postJson(const QUrl& url, const QByteArray& body, Done done)
{
    run({HttpRequestCommand::kOption, QStringLiteral("post"), url.toString()}, body, std::move(done));
}

void ProcessHttpClient::getJson(const QUrl& url, Done done)
{
    run({HttpRequestCommand::kOption, QStringLiteral("get"), url.toString()}, {}, std::move(done));
}

void ProcessHttpClient::run(QStringList arguments, const QByteArray& input, Done done)
{
    if (!m_pemPath.isEmpty())
        arguments << m_pemPath;
    auto* child = new QProcess;
    child->setProcessChannelMode(QProcess::SeparateChannels);
    child->setStandardErrorFile(QProcess::nullDevice());
    // Runs `done` once: on the child's end, on a failure to start, or on the time-out.
    auto finish = [child, done = std::make_shared<Done>(std::move(done))](Reply reply) {
        if (!*done)
            return;
        const Done call = std::exchange(*done, nullptr);
        child->disconnect();
        if (child->state() == QProcess::NotRunning) {
            child->deleteLater();
        } else { // timed out: gone once it has been reaped
            QObject::connect(child, &QProcess::finished, child, &QObject::deleteLater);
            child->kill();
        }
        call(std::move(reply));
    };
    QObject::connect(
        child, &QProcess::finished, child, [child, finish](int code, QProcess::ExitStatus status) {
            Reply reply;
            if (status == QProcess::NormalExit && code == 0) {
                const QJsonDocument document = QJsonDocument::fromJson(child->readAllStandardOutput());
                if (document.isObject())
                    reply = document.object();
            }
            finish(reply);
        });
    QObject::connect(child, &QProcess::errorOccurred, child, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(std::nullopt);
    });
    QTimer::singleShot(m_timeoutMs, child, [finish] { finish(std::nullopt); });
    child->start(m_program, arguments);
    child->write(input);
    child->closeWriteChannel();
}
