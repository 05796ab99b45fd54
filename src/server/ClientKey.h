#pragma once

#include <QString>

// The key that per-client limits count under: an IPv4 address as it is, an IPv6 address by its
// /64 prefix (one subscriber usually holds a whole /64, so counting single addresses would
// give one client 2^64 fresh starts), and an IPv4-mapped IPv6 address as the IPv4 address.
// Text that is not an address (a proxy's odd header) is its own key.
QString clientKey(const QString& address);
