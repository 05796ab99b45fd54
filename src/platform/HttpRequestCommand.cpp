#include "HttpRequestCommand.h"

#include "QtHttpClient.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>

#include <cstdio>

namespace HttpRequestCommand {

int run(const QStringList& arguments)
{
    const bool post = arguments.value(0) == QLatin1String("post");
    if (arguments.size() < 2 || arguments.size() > 3 || (!post && arguments[0] != QLatin1String("get")))
        return 2;
    const QUrl url(arguments[1], QUrl::StrictMode);
    QtHttpClient http;
    http.setExtraCertificates(arguments.value(2));
    int code = 1;
    auto done = [&code](HttpClient::Reply reply) {
        if (reply) {
            const QByteArray text = QJsonDocument(*reply).toJson(QJsonDocument::Compact);
            code = std::fwrite(text.constData(), 1, text.size(), stdout) == size_t(text.size()) ? 0 : 1;
        }
        QCoreApplication::exit(code);
    };
    if (post) {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly))
            return 1;
        http.postJson(url, input.readAll(), done);
    } else {
        http.getJson(url, done);
    }
    QCoreApplication::exec();
    std::fflush(stdout);
    return code;
}

} // namespace HttpRequestCommand
