#include "HttpFrontEnd.h"

#include "RequestLog.h"
#include "TlsCredentials.h"

#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = ConnectionTable::Clock;

// How long a stop waits for requests in flight before closing every connection.
constexpr auto kDrainTime = 1s;

} // namespace

HttpFrontEnd::HttpFrontEnd(const ServerOptions& options, SyncService& service, Store& store,
                           const WebPage& page)
    : m_options(options), m_service(service), m_store(store), m_page(page),
      m_connections(ConnectionTable::Limits{options.maxConnections, options.behindProxy
                                                                        ? options.maxConnections
                                                                        : options.maxConnectionsPerClient})
{}

HttpFrontEnd::~HttpFrontEnd()
{
    for (MHD_Daemon* daemon : {m_daemon, m_loopbackDaemon})
        if (daemon)
            MHD_stop_daemon(daemon);
    for (int socket : {m_listenSocket, m_loopbackSocket})
        if (socket >= 0)
            ::close(socket);
}

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
        m_tls = std::make_unique<TlsCredentials>();
        if (!m_tls->load(m_options.tlsCert, m_options.tlsKey, error))
            return false;
    }
    // On the local network the desktop that runs the server reaches it over loopback, at the
    // same port as the phone: a free port is one free on both addresses.
    const QString loopback = QStringLiteral("127.0.0.1");
    const bool alsoLoopback = m_options.localNetwork && m_options.listenHost != loopback;
    for (int attempt = 0;; ++attempt) {
        m_listenSocket = openListenSocket(m_options.listenHost, m_options.listenPort, error);
        if (m_listenSocket < 0)
            return false;
        sockaddr_storage local = {};
        socklen_t localSize = sizeof(local);
        getsockname(m_listenSocket, reinterpret_cast<sockaddr*>(&local), &localSize);
        m_port = ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                                                   : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
        if (!alsoLoopback)
            break;
        m_loopbackSocket = openListenSocket(loopback, quint16(m_port), error);
        if (m_loopbackSocket >= 0)
            break;
        ::close(m_listenSocket);
        m_listenSocket = -1;
        if (m_options.listenPort != 0 || attempt == 15)
            return false;
    }
    m_daemon = startDaemon(m_listenSocket);
    if (!m_daemon) {
        *error = QStringLiteral("cannot start serving on %1:%2").arg(m_options.listenHost).arg(m_port);
        return false;
    }
    if (alsoLoopback) {
        m_loopbackDaemon = startDaemon(m_loopbackSocket);
        if (!m_loopbackDaemon) {
            *error = QStringLiteral("cannot start serving on %1:%2").arg(loopback).arg(m_port);
            return false;
        }
    }
    return true;
}

int HttpFrontEnd::openListenSocket(const QString& listenHost, quint16 listenPort, QString* error)
{
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string host = listenHost.toStdString();
    const std::string port = std::to_string(listenPort);
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
        *error = QStringLiteral("cannot listen on %1:%2: unknown address").arg(listenHost).arg(listenPort);
        return -1;
    }
    const int sock = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol);
    const int on = 1;
    const bool bound = sock >= 0 && setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) == 0 &&
                       ::bind(sock, found->ai_addr, found->ai_addrlen) == 0 && ::listen(sock, SOMAXCONN) == 0;
    freeaddrinfo(found);
    if (!bound) {
        *error = QStringLiteral("cannot listen on %1:%2: %3")
                     .arg(listenHost)
                     .arg(listenPort)
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        if (sock >= 0)
            ::close(sock);
        return -1;
    }
    return sock;
}

bool HttpFrontEnd::serve()
{
    std::thread sweeper([this] {
        std::unique_lock lock(m_mutex);
        while (!m_stopping) {
            m_stopChanged.wait_for(lock, 250ms);
            m_connections.sweep(Clock::now(), [this](ConnectionTable::Entry& entry) {
                if (entry.phase == ConnectionTable::Phase::Receiving && !m_tls) {
                    static constexpr std::string_view kTimeout =
                        "HTTP/1.1 408 Request Timeout\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
                    (void)::send(entry.fd, kTimeout.data(), kTimeout.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                }
                ::shutdown(entry.fd, SHUT_RDWR);
                RequestLog::closed(entry.address, entry.phase == ConnectionTable::Phase::Answering
                                                      ? "the reply was not taken in time"
                                                  : entry.phase == ConnectionTable::Phase::Receiving
                                                      ? "408: the request took too long"
                                                      : "idle too long");
            });
        }
    });

    {
        std::unique_lock lock(m_mutex);
        m_stopChanged.wait(lock, [this] { return m_stopping; });
    }
    // No new connections; the requests in flight get a moment to finish. A quiesced daemon's
    // thread may still be looking at its listening socket, so the sockets it hands back are closed
    // only once the daemons have stopped.
    std::vector<MHD_socket> handedBack; // a quiesced daemon leaves its socket to us
    for (MHD_Daemon* daemon : {m_daemon, m_loopbackDaemon})
        if (const MHD_socket listening = daemon ? MHD_quiesce_daemon(daemon) : MHD_INVALID_SOCKET;
            listening != MHD_INVALID_SOCKET)
            handedBack.push_back(listening);
    const auto drainEnd = Clock::now() + kDrainTime;
    while (m_requestsInFlight.load() > 0 && Clock::now() < drainEnd)
        std::this_thread::sleep_for(20ms);
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
    if (m_loopbackDaemon)
        MHD_stop_daemon(m_loopbackDaemon);
    m_loopbackDaemon = nullptr;
    for (const MHD_socket socket : handedBack)
        ::close(socket);
    m_listenSocket = -1;
    m_loopbackSocket = -1;
    sweeper.join();
    return true;
}

void HttpFrontEnd::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_stopChanged.notify_all();
}

bool HttpFrontEnd::reloadCertificate(QString* error)
{
    if (!m_tls) {
        *error = QStringLiteral("serving plain HTTP: no certificate to reload");
        return false;
    }
    return m_tls->load(m_options.tlsCert, m_options.tlsKey, error);
}

QString HttpFrontEnd::certificateSerial() const
{
    return m_tls ? m_tls->serial() : QString();
}
