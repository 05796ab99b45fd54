#pragma once

#include "PellowTimer.h"

#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <optional>

// What the sync client reads from the sync server's replies, and the server's address.
namespace SyncRules {

inline const QString kEndpointPath = QStringLiteral("/api/pellow/sync.php");

// A typed server address made plain (surrounding spaces and trailing slashes dropped), or none
// when it is not https with a host, or carries a user, a query or a fragment.
std::optional<QUrl> serverAddress(const QString& text);
// The sync endpoint under a server address: the address plus the endpoint path.
QUrl endpoint(const QUrl& server);

// A field of a reply of the given JSON type; a field of another type counts as absent.
// Integers are numbers without a fraction within the safe range of a double (2^53 - 1).
std::optional<bool> boolField(const QJsonObject& reply, const QString& key);
std::optional<qint64> integerField(const QJsonObject& reply, const QString& key);

// The list a reply carries, decoded whole: none when "timers" is not an array, one of its
// records does not decode, or the list is out of bounds (TimerBounds).
std::optional<TimerList> remoteTimers(const QJsonObject& reply);

// What a reply does to a side whose confirmed revision is the local one. The server's list is
// the one both sides share, so a pull adopts any list whose revision differs from the one this
// side last confirmed, older ones too (a server restored from a backup); a push confirms the
// revision the server took, or adopts the newer list the server answers "stale" with.
enum class Outcome
{
    Keep,
    Confirm,
    Adopt
};
Outcome pullOutcome(const QJsonObject& reply, qint64 localRevision);
Outcome pushOutcome(const QJsonObject& reply);

struct Pairing
{
    QString code;
    QString token;
};
// A successful pairing reply: "ok" true with a code and a token, both non-empty strings.
std::optional<Pairing> pairing(const std::optional<QJsonObject>& reply);

} // namespace SyncRules
