#pragma once

#include "ConnectionTable.h"
#include "Options.h"
#include "Store.h"
#include "SyncService.h"
#include "WebPage.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

struct MHD_Daemon;
struct MHD_Connection;
class TlsCredentials;

// The HTTP side on libmicrohttpd: routes (the sync endpoint, /healthz and the phone page), the
// bounds on requests and connections, TLS, the request log, and a stop that lets requests in
// flight finish for a moment and then closes every connection.
class HttpFrontEnd
{
public:
    HttpFrontEnd(const ServerOptions& options, SyncService& service, Store& store, const WebPage& page);
    ~HttpFrontEnd();

    // Loads the certificate when serving HTTPS and binds the address; false with a message.
    bool bind(QString* error);
    int port() const { return m_port; }
    QString url() const;

    // Serves until stop(); returns once every connection is closed.
    bool serve();
    void stop();

    // Reads the certificate and key files again; new handshakes use them once they are sound.
    // False with a message, serving on with the ones before, when they are not.
    bool reloadCertificate(QString* error);
    QString certificateSerial() const;

    struct Request;

private:
    friend struct Callbacks;

    ServerOptions m_options;
    SyncService& m_service;
    Store& m_store;
    const WebPage& m_page;
    ConnectionTable m_connections;
    std::unique_ptr<TlsCredentials> m_tls;
    int openListenSocket(const QString& host, quint16 port, QString* error);
    // The library's daemon on the socket, with its bounds and the callbacks that answer requests
    // (HttpRequests.cpp).
    MHD_Daemon* startDaemon(int listenSocket);

    MHD_Daemon* m_daemon = nullptr;
    int m_listenSocket = -1;
    // --local-network: the same service on loopback, for the desktop that runs it.
    MHD_Daemon* m_loopbackDaemon = nullptr;
    int m_loopbackSocket = -1;
    int m_port = -1;

    std::atomic<qint64> m_bufferedBodyBytes{0};
    std::atomic<int> m_requestsInFlight{0};
    std::mutex m_mutex;
    std::condition_variable m_stopChanged;
    bool m_stopping = false;
};
