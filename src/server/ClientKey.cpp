#include "ClientKey.h"

#include <QHostAddress>

QString clientKey(const QString& address)
{
    const QHostAddress parsed(address);
    if (parsed.isNull() || parsed.protocol() != QAbstractSocket::IPv6Protocol)
        return address;
    bool mapped = false;
    const quint32 v4 = parsed.toIPv4Address(&mapped);
    if (mapped)
        return QHostAddress(v4).toString();
    Q_IPV6ADDR bytes = parsed.toIPv6Address();
    for (int i = 8; i < 16; ++i)
        bytes[i] = 0;
    return QHostAddress(bytes).toString() + QStringLiteral("/64");
}
