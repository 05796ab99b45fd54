#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Where the phone reaches this computer when Pellow serves it on the local network itself.
namespace LocalNetwork {

// One network interface as the system lists it.
struct Interface
{
    QString name;
    bool up = false;
    bool loopback = false;
    bool pointToPoint = false; // a tunnel: a VPN, which a phone on the same Wi-Fi cannot reach
    bool defaultRoute = false; // carries the route to everywhere else
    QStringList addresses;     // IPv4 or IPv6, as text, without a scope
};

// Private and link-local addresses (10/8, 172.16/12, 192.168/16, 169.254/16, fc00::/7,
// fe80::/10) and loopback: addresses no one outside this network can reach.
bool isLocalNetworkAddress(const QString& address);
bool isLoopbackAddress(const QString& address);

// The address to serve the phone on: a private IPv4 address (else a unique local IPv6 one) of
// the interface that carries the default route, else of any other interface that is up and no
// tunnel; none when there is no such address (then only loopback is left).
std::optional<QString> chooseAddress(const QList<Interface>& interfaces);

} // namespace LocalNetwork
