#pragma once

#include "Options.h"
#include "Store.h"
#include "SyncService.h"
#include "WebPage.h"

#include <QString>

#include <memory>

namespace httplib {
class Server;
struct Request;
} // namespace httplib

// The HTTP side: routes (the sync endpoint, /healthz and the phone page), request limits, TLS,
// the request log and a stop that lets requests in flight finish.
class HttpFrontEnd
{
public:
    HttpFrontEnd(const ServerOptions& options, SyncService& service, Store& store, const WebPage& page);
    ~HttpFrontEnd();

    // Loads the certificate when serving HTTPS and binds the address; false with a message.
    bool bind(QString* error);
    int port() const { return m_port; }
    QString url() const;

    // Serves until stop(); returns once every request in flight has been answered.
    bool serve();
    void stop();

private:
    void installRoutes();
    QString clientAddress(const httplib::Request& request) const;

    ServerOptions m_options;
    SyncService& m_service;
    Store& m_store;
    const WebPage& m_page;
    std::unique_ptr<httplib::Server> m_server;
    int m_port = -1;
};
