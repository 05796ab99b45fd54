// How the library serves Pellow's requests: its daemon, set up with the bounds, and the callbacks
// that read, route and answer each request and keep the connection table.
#include "HttpFrontEnd.h"

#include "ClientKey.h"
#include "RequestLog.h"
#include "TlsCredentials.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <string_view>

namespace {

using Clock = ConnectionTable::Clock;

constexpr const char* kEndpoint = "/api/pellow/sync.php";
// Request handlers wait on the database, so a few more threads than cores; each serves its
// share of the connections.
constexpr unsigned int kThreads = 4;
// Each connection's own memory: request line, headers and the read and write buffers. Headers
// that do not fit are answered 431 by the library.
constexpr std::size_t kConnectionMemory = 16 * 1024;
constexpr int kMaxHeaderLines = 64;
// Request bodies held at once, in all: a body is taken only when its whole length fits.
constexpr qint64 kMaxBufferedBodies = 32 * 1024 * 1024;
// TLS 1.3 as offered, and TLS 1.2 with forward-secret AEAD suites only.
constexpr const char* kTlsPriorities = "SECURE128:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2:-CIPHER-ALL:"
                                       "+AES-256-GCM:+CHACHA20-POLY1305:+AES-128-GCM:-MAC-ALL:+AEAD:"
                                       "-KX-ALL:+ECDHE-ECDSA:+ECDHE-RSA:%SERVER_PRECEDENCE";
constexpr const char* kHsts = "max-age=31536000";

std::string jsonError(const char* text)
{
    return std::string(R"({"ok":false,"error":")") + text + R"("})";
}

QString addressText(const sockaddr* address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof(text));
    } else if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        if (IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr))
            inet_ntop(AF_INET, &v6->sin6_addr.s6_addr[12], text, sizeof(text));
        else
            inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof(text));
    }
    return QString::fromLatin1(text);
}

// What the request's headers say about its body, and how many header lines it had.
struct HeaderFacts
{
    int lines = 0;
    int contentLengths = 0;
    std::string contentLength;
    bool contentEncoding = false;
    bool transferEncoding = false;
    std::string forwardedFor; // the last X-Forwarded-For line
};

MHD_Result countHeader(void* cls, MHD_ValueKind, const char* key, const char* value)
{
    auto* facts = static_cast<HeaderFacts*>(cls);
    ++facts->lines;
    if (strcasecmp(key, MHD_HTTP_HEADER_CONTENT_LENGTH) == 0) {
        ++facts->contentLengths;
        facts->contentLength = value ? value : "";
    } else if (strcasecmp(key, MHD_HTTP_HEADER_CONTENT_ENCODING) == 0) {
        facts->contentEncoding = true;
    } else if (strcasecmp(key, MHD_HTTP_HEADER_TRANSFER_ENCODING) == 0) {
        facts->transferEncoding = true;
    } else if (strcasecmp(key, "X-Forwarded-For") == 0) {
        facts->forwardedFor = value ? value : "";
    }
    return MHD_YES;
}

// A Content-Length of digits only, at most seven of them (the body limit has six).
std::optional<qint64> lengthValue(const std::string& text)
{
    if (text.empty() || text.size() > 7)
        return std::nullopt;
    qint64 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string loggedAction(const char* action)
{
    // Only the known action words are logged: the query is the client's text, and could carry
    // anything, a token included.
    if (!action || !*action)
        return {};
    const std::string_view word(action);
    for (const char* known : {"pair", "claim", "push", "pull", "leave"})
        if (word == known)
            return known;
    return "other";
}

} // namespace

struct HttpFrontEnd::Request
{
    enum class Route
    {
        Sync,
        Health,
        Page,
    };
    ConnectionTable::Entry* connection = nullptr;
    Route route = Route::Sync;
    const WebPage::File* file = nullptr;
    QString client;
    std::string method = "-";
    std::string path;
    std::string action;
    std::string body;
    qint64 expectedBytes = 0;
    qint64 reservedBytes = 0;
    bool started = false;
    bool answered = false;
    bool inFlight = false;
    int status = 0;
    std::size_t bytesOut = 0;
};

// The library's callbacks, with access to the front end.
struct Callbacks
{
    using Request = HttpFrontEnd::Request;

    static ConnectionTable::Entry* entryOf(MHD_Connection* connection)
    {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        return info ? static_cast<ConnectionTable::Entry*>(info->socket_context) : nullptr;
    }

    static MHD_Result accept(void* cls, const sockaddr* address, socklen_t)
    {
        auto* self = static_cast<HttpFrontEnd*>(cls);
        if (self->m_options.behindProxy)
            return MHD_YES;
        const QString text = addressText(address);
        if (self->m_connections.mayAccept(clientKey(text)))
            return MHD_YES;
        RequestLog::closed(text, "refused: the client holds twice its connection limit");
        return MHD_NO;
    }

    static void connectionChanged(void* cls, MHD_Connection* connection, void** context,
                                  MHD_ConnectionNotificationCode code)
    {
        auto* self = static_cast<HttpFrontEnd*>(cls);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* fd =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            const MHD_ConnectionInfo* peer =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
            const QString address = peer ? addressText(peer->client_addr) : QString();
            // Behind a proxy every connection comes from the proxy: only the total counts.
            const QString key = self->m_options.behindProxy ? QString() : clientKey(address);
            *context = self->m_connections.open(fd ? fd->connect_fd : -1, address, key, Clock::now());
        } else if (code == MHD_CONNECTION_NOTIFY_CLOSED && *context) {
            auto* entry = static_cast<ConnectionTable::Entry*>(*context);
            // The library answers a request line over the memory limit (414) before any
            // callback sees it; such a connection ends with no request line.
            if (!entry->requested && !entry->timedOut)
                RequestLog::closed(entry->address, "no whole request line (414 when it was too long)");
            self->m_connections.close(entry);
            *context = nullptr;
        }
    }

    static void* requestLine(void* cls, const char* uri, MHD_Connection* connection)
    {
        auto* self = static_cast<HttpFrontEnd*>(cls);
        auto* request = new Request;
        request->connection = entryOf(connection);
        if (request->connection) {
            request->client = request->connection->address;
            self->m_connections.requestBegan(request->connection, Clock::now());
        }
        const std::string_view text(uri ? uri : "");
        request->path = std::string(text.substr(0, std::min<std::size_t>(text.find('?'), 200)));
        return request;
    }

    static MHD_Result answer(HttpFrontEnd* self, MHD_Connection* connection, Request& request, int status,
                             const std::string_view body, const char* contentType,
                             std::initializer_list<std::pair<const char*, const char*>> headers = {},
                             bool close = false, bool persistent = false)
    {
        MHD_Response* response =
            MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()),
                                            persistent ? MHD_RESPMEM_PERSISTENT : MHD_RESPMEM_MUST_COPY);
        if (!response)
            return MHD_NO;
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
        for (const auto& [name, value] : headers)
            MHD_add_response_header(response, name, value);
        if (self->m_options.tls())
            MHD_add_response_header(response, MHD_HTTP_HEADER_STRICT_TRANSPORT_SECURITY, kHsts);
        if (close)
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
        const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned int>(status), response);
        MHD_destroy_response(response);
        request.answered = true;
        request.status = status;
        request.bytesOut = body.size();
        if (request.connection)
            self->m_connections.setPhase(request.connection, ConnectionTable::Phase::Answering, Clock::now());
        return queued;
    }

    static MHD_Result refuse(HttpFrontEnd* self, MHD_Connection* connection, Request& request, int status,
                             const char* reason,
                             std::initializer_list<std::pair<const char*, const char*>> headers = {})
    {
        // A refused request may leave a body unread, so the connection ends after the reply.
        return answer(self, connection, request, status, jsonError(reason), "application/json", headers,
                      true);
    }

    static MHD_Result handle(void* cls, MHD_Connection* connection, const char* url, const char* method,
                             const char*, const char* upload, std::size_t* uploadSize, void** context)
    {
        auto* self = static_cast<HttpFrontEnd*>(cls);
        auto* request = static_cast<Request*>(*context);
        if (!request) {
            request = static_cast<Request*>(requestLine(cls, url, connection));
            *context = request;
        }
        if (!request->started)
            return begin(self, connection, *request, url, method);
        if (request->answered) {
            *uploadSize = 0;
            return MHD_YES;
        }
        if (*uploadSize > 0) {
            if (request->connection &&
                Clock::now() - request->connection->since > self->m_connections.limits().request)
                return refuse(self, connection, *request, 408, "request too slow");
            request->body.append(upload, *uploadSize);
            *uploadSize = 0;
            return MHD_YES;
        }
        if (request->connection)
            self->m_connections.setPhase(request->connection, ConnectionTable::Phase::Answering,
                                         Clock::now());
        if (request->route == Request::Route::Health)
            return health(self, connection, *request);
        if (request->route == Request::Route::Page)
            return page(self, connection, *request);
        const char* action = MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, "action");
        const ServiceReply reply =
            self->m_service.handle(QString::fromUtf8(action ? action : ""),
                                   QByteArray::fromStdString(request->body), request->client);
        return answer(self, connection, *request, reply.status,
                      std::string_view(reply.body.constData(), std::size_t(reply.body.size())),
                      "application/json");
    }

    static MHD_Result health(HttpFrontEnd* self, MHD_Connection* connection, Request& request)
    {
        try {
            self->m_store.ping();
            return answer(self, connection, request, 200, "ok", "text/plain");
        } catch (const StoreError&) {
            return answer(self, connection, request, 503, "storage unavailable", "text/plain");
        }
    }

    static MHD_Result page(HttpFrontEnd* self, MHD_Connection* connection, Request& request)
    {
        const WebPage::File& file = *request.file;
        // A copy the phone already holds is not sent again.
        const char* ifNoneMatch =
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_IF_NONE_MATCH);
        const bool unchanged = ifNoneMatch && WebPage::notModified(file, ifNoneMatch);
        const std::size_t size = unchanged ? 0 : file.body.size();
        MHD_Response* response = MHD_create_response_from_buffer(size, const_cast<char*>(file.body.data()),
                                                                 MHD_RESPMEM_PERSISTENT);
        if (!response)
            return MHD_NO;
        for (const auto& [name, value] : WebPage::headers())
            MHD_add_response_header(response, name.c_str(), value.c_str());
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, file.contentType.c_str());
        MHD_add_response_header(response, MHD_HTTP_HEADER_ETAG, file.etag.c_str());
        if (self->m_options.tls())
            MHD_add_response_header(response, MHD_HTTP_HEADER_STRICT_TRANSPORT_SECURITY, kHsts);
        const unsigned int status = unchanged ? MHD_HTTP_NOT_MODIFIED : MHD_HTTP_OK;
        const MHD_Result queued = MHD_queue_response(connection, status, response);
        MHD_destroy_response(response);
        request.answered = true;
        request.status = int(status);
        request.bytesOut = size;
        return queued;
    }

    static MHD_Result begin(HttpFrontEnd* self, MHD_Connection* connection, Request& request, const char* url,
                            const char* method)
    {
        request.started = true;
        request.method = std::string(method).substr(0, 16);
        // Routes match the request's path as sent: the library's decoded copy would turn
        // "/app.js%00" into "/app.js".
        if (request.path.empty())
            request.path = std::string(url).substr(0, 200);
        HeaderFacts facts;
        MHD_get_connection_values(connection, MHD_HEADER_KIND, countHeader, &facts);
        if (self->m_options.behindProxy && !facts.forwardedFor.empty()) {
            // The proxy appends the address it saw; anything before it came from the client.
            const QString last = QString::fromStdString(facts.forwardedFor).section(u',', -1).trimmed();
            if (!last.isEmpty())
                request.client = last.left(64);
        }

        if (request.connection && request.connection->overCap)
            return refuse(self, connection, request, 503, "too many connections", {{"Retry-After", "5"}});
        if (facts.lines > kMaxHeaderLines)
            return refuse(self, connection, request, 431, "too many header lines");

        // A reply queued before the library has taken the (empty) body ends the connection,
        // so even GET is answered on the next call, and keep-alive holds.
        const bool get = request.method == "GET" || request.method == "HEAD";
        if (request.path == "/healthz") {
            if (!get)
                return refuse(self, connection, request, 405, "method not allowed", {{"Allow", "GET, HEAD"}});
            request.route = Request::Route::Health;
            return MHD_YES;
        }
        if (request.path != kEndpoint) {
            request.file = self->m_page.find(request.path);
            if (!request.file)
                return refuse(self, connection, request, 404, "not found");
            if (!get)
                return refuse(self, connection, request, 405, "method not allowed", {{"Allow", "GET, HEAD"}});
            request.route = Request::Route::Page;
            return MHD_YES;
        }

        if (request.method != "POST")
            return refuse(self, connection, request, 405, "method not allowed", {{"Allow", "POST"}});
        request.action =
            loggedAction(MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, "action"));
        if (facts.contentEncoding)
            return refuse(self, connection, request, 415, "compressed bodies are not accepted");
        if (facts.transferEncoding)
            return facts.contentLengths > 0 ? refuse(self, connection, request, 400, "bad request")
                                            : refuse(self, connection, request, 411, "length required");
        if (facts.contentLengths > 1)
            return refuse(self, connection, request, 400, "more than one Content-Length");
        std::optional<qint64> length = 0;
        if (facts.contentLengths == 1) {
            length = lengthValue(facts.contentLength);
            if (!length) {
                const bool digits = !facts.contentLength.empty() &&
                                    facts.contentLength.find_first_not_of("0123456789") == std::string::npos;
                return digits ? refuse(self, connection, request, 413, "body too large")
                              : refuse(self, connection, request, 400, "malformed Content-Length");
            }
        }
        if (*length > SyncService::kMaxBodyBytes)
            return refuse(self, connection, request, 413, "body too large");
        if (self->m_bufferedBodyBytes.fetch_add(*length) + *length > kMaxBufferedBodies) {
            self->m_bufferedBodyBytes.fetch_sub(*length);
            return refuse(self, connection, request, 503, "server busy", {{"Retry-After", "5"}});
        }
        request.reservedBytes = *length;
        request.expectedBytes = *length;
        request.body.reserve(std::size_t(*length));
        request.inFlight = true;
        ++self->m_requestsInFlight;
        return MHD_YES;
    }

    static void completed(void* cls, MHD_Connection* connection, void** context,
                          MHD_RequestTerminationCode code)
    {
        auto* self = static_cast<HttpFrontEnd*>(cls);
        auto* request = static_cast<Request*>(*context);
        if (!request)
            return;
        *context = nullptr;
        int status = request->status;
        if (!request->answered) {
            // Answered by the library itself (a malformed request, headers over the limit) or
            // not at all (the client went away, or took too long).
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_HTTP_STATUS);
            status = info ? int(info->http_status) : 0;
        }
        if (request->answered || status != 0) {
            RequestLog::request(request->client, request->method, request->path, request->action, status,
                                request->body.size(), request->bytesOut);
        } else if (code != MHD_REQUEST_TERMINATED_COMPLETED_OK &&
                   !(request->connection && request->connection->timedOut)) {
            RequestLog::closed(request->client, code == MHD_REQUEST_TERMINATED_CLIENT_ABORT
                                                    ? "the client left before the reply"
                                                    : "no reply: the request could not be read");
        }
        if (request->reservedBytes > 0)
            self->m_bufferedBodyBytes.fetch_sub(request->reservedBytes);
        if (request->inFlight)
            --self->m_requestsInFlight;
        if (request->connection)
            self->m_connections.setPhase(request->connection, ConnectionTable::Phase::Idle, Clock::now());
        delete request;
    }
};

MHD_Daemon* HttpFrontEnd::startDaemon(int listenSocket)
{
    // poll(), not epoll: quiescing an epoll daemon races its own thread over removing the listening
    // socket, and libmicrohttpd aborts the process when it loses (seen as SIGABRT at shutdown). A
    // few dozen connections at most is well within what poll() serves.
    unsigned int flags = MHD_USE_POLL_INTERNAL_THREAD | MHD_USE_ITC | MHD_USE_TURBO;
    if (m_tls)
        flags |= MHD_USE_TLS;
    // The library's own cap sits above ours, so that connections over ours can still be answered 503.
    const unsigned int hardLimit =
        static_cast<unsigned int>(m_options.maxConnections + m_options.maxConnections / 2);
    const MHD_OptionItem tlsOptions[] = {
        {MHD_OPTION_HTTPS_PRIORITIES, 0, const_cast<char*>(kTlsPriorities)},
        {MHD_OPTION_HTTPS_CERT_CALLBACK, 0, reinterpret_cast<void*>(&TlsCredentials::retrieve)},
        {MHD_OPTION_END, 0, nullptr},
    };
    const MHD_OptionItem noOptions[] = {{MHD_OPTION_END, 0, nullptr}};
    return MHD_start_daemon(flags, 0, &Callbacks::accept, this, &Callbacks::handle, this,      //
                            MHD_OPTION_LISTEN_SOCKET, listenSocket,                            //
                            MHD_OPTION_THREAD_POOL_SIZE, kThreads,                             //
                            MHD_OPTION_CONNECTION_LIMIT, hardLimit,                            //
                            MHD_OPTION_CONNECTION_MEMORY_LIMIT, kConnectionMemory,             //
                            MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned int>(15),      //
                            MHD_OPTION_STRICT_FOR_CLIENT, 1,                                   //
                            MHD_OPTION_SIGPIPE_HANDLED_BY_APP, 1,                              //
                            MHD_OPTION_NOTIFY_CONNECTION, &Callbacks::connectionChanged, this, //
                            MHD_OPTION_URI_LOG_CALLBACK, &Callbacks::requestLine, this,        //
                            MHD_OPTION_NOTIFY_COMPLETED, &Callbacks::completed, this,          //
                            MHD_OPTION_ARRAY, m_tls ? tlsOptions : noOptions,                  //
                            MHD_OPTION_END);
}
