#include "HttpFrontEnd.h"

#include "RequestLog.h"

#include <httplib.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

namespace {

constexpr const char* kEndpoint = "/api/pellow/sync.php";
constexpr int kRequestThreads = 8;
constexpr time_t kReadTimeoutSeconds = 10;
constexpr time_t kWriteTimeoutSeconds = 10;
constexpr time_t kKeepAliveSeconds = 5;

std::string openSslError()
{
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof(text));
    return text;
}

// Short reasons for the errors the library answers by itself, such as 413 for a body over the
// limit or 404 for another path.
std::string reasonFor(int status)
{
    switch (status) {
    case 400:
        return "bad request";
    case 404:
        return "not found";
    case 413:
        return "body too large";
    case 414:
        return "address too long";
    default:
        return "request failed";
    }
}

} // namespace

HttpFrontEnd::HttpFrontEnd(const ServerOptions& options, SyncService& service, Store& store,
                           const WebPage& page)
    : m_options(options), m_service(service), m_store(store), m_page(page)
{}

HttpFrontEnd::~HttpFrontEnd() = default;

QString HttpFrontEnd::url() const
{
    const QString host = m_options.listenHost.contains(QLatin1Char(':')) ? u'[' + m_options.listenHost + u']'
                                                                         : m_options.listenHost;
    return (m_options.tls() ? QStringLiteral("https://") : QStringLiteral("http://")) + host + u':' +
           QString::number(m_port);
}

bool HttpFrontEnd::bind(QString* error)
{
    if (m_options.tls()) {
        const std::string cert = m_options.tlsCert.toStdString();
        const std::string key = m_options.tlsKey.toStdString();
        std::string failure;
        auto server = std::make_unique<httplib::SSLServer>([&](SSL_CTX& ctx) {
            SSL_CTX_set_min_proto_version(&ctx, TLS1_2_VERSION);
            SSL_CTX_set_options(&ctx, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
            if (SSL_CTX_use_certificate_chain_file(&ctx, cert.c_str()) != 1)
                failure = "cannot read the certificate " + cert + ": " + openSslError();
            else if (SSL_CTX_use_PrivateKey_file(&ctx, key.c_str(), SSL_FILETYPE_PEM) != 1)
                failure = "cannot read the private key " + key + ": " + openSslError();
            else if (SSL_CTX_check_private_key(&ctx) != 1)
                failure = "the private key does not belong to the certificate";
            return failure.empty();
        });
        if (!server->is_valid()) {
            *error = QString::fromStdString(failure.empty() ? "cannot set up TLS" : failure);
            return false;
        }
        m_server = std::move(server);
    } else {
        m_server = std::make_unique<httplib::Server>();
    }

    m_server->new_task_queue = [] { return new httplib::ThreadPool(kRequestThreads); };
    m_server->set_payload_max_length(SyncService::kMaxBodyBytes);
    m_server->set_read_timeout(kReadTimeoutSeconds);
    m_server->set_write_timeout(kWriteTimeoutSeconds);
    m_server->set_keep_alive_timeout(kKeepAliveSeconds);
    installRoutes();

    // The library listens with a backlog of 5, which a burst of clients overflows while every
    // request thread is busy; the socket is kept so the backlog can be widened once bound.
    int listening = -1;
    m_server->set_socket_options([&listening](int sock) {
        httplib::default_socket_options(sock);
        listening = sock;
    });

    const std::string host = m_options.listenHost.toStdString();
    if (m_options.listenPort == 0)
        m_port = m_server->bind_to_any_port(host);
    else
        m_port = m_server->bind_to_port(host, m_options.listenPort) ? m_options.listenPort : -1;
    if (m_port <= 0) {
        *error = QStringLiteral("cannot listen on %1:%2").arg(m_options.listenHost).arg(m_options.listenPort);
        return false;
    }
    if (listening >= 0)
        ::listen(listening, SOMAXCONN);
    return true;
}

void HttpFrontEnd::installRoutes()
{
    m_server->Get("/healthz", [this](const httplib::Request&, httplib::Response& res) {
        try {
            m_store.ping();
            res.set_content("ok", "text/plain");
        } catch (const StoreError&) {
            res.status = 503;
            res.set_content("storage unavailable", "text/plain");
        }
    });

    // The phone page: one folder level only, and only the paths of its fixed file list.
    m_server->Get("/[^/]*", [this](const httplib::Request& req, httplib::Response& res) {
        const WebPage::File* file = m_page.find(req.path);
        if (!file) {
            res.status = 404;
            return;
        }
        for (const auto& [name, value] : WebPage::headers())
            res.set_header(name, value);
        res.set_content(file->body, file->contentType);
    });

    m_server->Post(kEndpoint, [this](const httplib::Request& req, httplib::Response& res) {
        const ServiceReply reply = m_service.handle(QString::fromStdString(req.get_param_value("action")),
                                                    QByteArray::fromStdString(req.body), clientAddress(req));
        res.status = reply.status;
        res.set_content(reply.body.toStdString(), "application/json");
    });

    m_server->set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
            if (!res.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            res.set_content(R"({"ok":false,"error":")" + reasonFor(res.status) + R"("})", "application/json");
            return httplib::Server::HandlerResponse::Handled;
        }));

    m_server->set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        res.status = 500;
        res.set_content(R"({"ok":false,"error":"internal error"})", "application/json");
    });

    m_server->set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        // Only the known action words are logged: the query is the client's text, and could
        // carry anything, a token included.
        std::string action = req.get_param_value("action");
        if (!action.empty() && action != "pair" && action != "claim" && action != "push" &&
            action != "pull" && action != "leave")
            action = "other";
        RequestLog::request(clientAddress(req), req.method, req.path, action, res.status, req.body.size(),
                            res.body.size());
    });
}

QString HttpFrontEnd::clientAddress(const httplib::Request& req) const
{
    if (m_options.behindProxy) {
        // The proxy appends the address it saw; anything before it came from the client.
        const std::size_t headers = req.get_header_value_count("X-Forwarded-For");
        if (headers > 0) {
            const QString forwarded =
                QString::fromStdString(req.get_header_value("X-Forwarded-For", headers - 1));
            const QString last = forwarded.section(u',', -1).trimmed();
            if (!last.isEmpty())
                return last.left(64);
        }
    }
    return QString::fromStdString(req.remote_addr);
}

bool HttpFrontEnd::serve()
{
    return m_server->listen_after_bind();
}

void HttpFrontEnd::stop()
{
    m_server->stop();
}
