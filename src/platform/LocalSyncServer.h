#pragma once

#include "core/LocalNetwork.h"

#include <QString>

#include <functional>
#include <optional>

// The sync server Pellow runs itself, so a phone on the same network can sync with no server
// of the user's own: it listens on a local-network address for the phone and on loopback for
// Pellow, at one port.
class LocalSyncServer
{
public:
    // The port it listens on, or none when it could not start.
    using Started = std::function<void(std::optional<quint16> port)>;
    // It died and could not be brought back; why, for the user.
    using GaveUp = std::function<void(const QString& why)>;

    virtual ~LocalSyncServer() = default;
    // Starts it on `address` and loopback at `port` (0: any free one); while it runs with those,
    // `started` is answered at once. A server that dies is started again, a few times.
    virtual void start(const QString& address, quint16 port, Started started) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
    virtual void setGaveUpHandler(GaveUp handler) = 0;
    // This machine's network interfaces, for the choice of address.
    virtual QList<LocalNetwork::Interface> interfaces() const = 0;
};
