#include "LocalNetwork.h"

#include <arpa/inet.h>

#include <array>
#include <cstdint>

namespace LocalNetwork {

namespace {

struct Parsed
{
    bool v4 = false;
    std::array<std::uint8_t, 16> bytes{};
};

std::optional<Parsed> parse(const QString& address)
{
    const QByteArray text = address.trimmed().toLatin1();
    Parsed p;
    if (inet_pton(AF_INET, text.constData(), p.bytes.data()) == 1) {
        p.v4 = true;
        return p;
    }
    if (inet_pton(AF_INET6, text.constData(), p.bytes.data()) == 1) {
        // An IPv4 address mapped into IPv6 is judged as the IPv4 address it carries.
        constexpr std::array<std::uint8_t, 12> mapped{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
        if (std::equal(mapped.begin(), mapped.end(), p.bytes.begin())) {
            std::copy(p.bytes.begin() + 12, p.bytes.end(), p.bytes.begin());
            p.v4 = true;
        }
        return p;
    }
    return std::nullopt;
}

bool isPrivate(const Parsed& p)
{
    const auto& b = p.bytes;
    if (p.v4)
        return b[0] == 10 || (b[0] == 172 && (b[1] & 0xf0) == 16) || (b[0] == 192 && b[1] == 168);
    return (b[0] & 0xfe) == 0xfc; // fc00::/7
}

bool isLinkLocal(const Parsed& p)
{
    const auto& b = p.bytes;
    if (p.v4)
        return b[0] == 169 && b[1] == 254;
    return b[0] == 0xfe && (b[1] & 0xc0) == 0x80; // fe80::/10
}

bool isLoopback(const Parsed& p)
{
    if (p.v4)
        return p.bytes[0] == 127;
    constexpr std::array<std::uint8_t, 16> one{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return p.bytes == one;
}

// Lower is better: private IPv4 first, then unique local IPv6.
std::optional<int> rank(const QString& address)
{
    const std::optional<Parsed> p = parse(address);
    if (!p || !isPrivate(*p))
        return std::nullopt;
    return p->v4 ? 0 : 1;
}

} // namespace

bool isLocalNetworkAddress(const QString& address)
{
    const std::optional<Parsed> p = parse(address);
    return p && (isPrivate(*p) || isLinkLocal(*p) || isLoopback(*p));
}

bool isLoopbackAddress(const QString& address)
{
    const std::optional<Parsed> p = parse(address);
    return p && isLoopback(*p);
}

std::optional<QString> chooseAddress(const QList<Interface>& interfaces)
{
    std::optional<QString> best;
    int bestScore = 0;
    for (const Interface& i : interfaces) {
        if (!i.up || i.loopback || i.pointToPoint)
            continue;
        for (const QString& address : i.addresses) {
            const std::optional<int> r = rank(address);
            if (!r)
                continue;
            const int score = (i.defaultRoute ? 0 : 2) + *r;
            if (!best || score < bestScore) {
                best = address;
                bestScore = score;
            }
        }
    }
    return best;
}

} // namespace LocalNetwork
