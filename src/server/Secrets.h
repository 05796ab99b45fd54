#pragma once

#include <QByteArray>
#include <QString>

// The secrets the server hands out. Only their hashes are ever stored.
namespace Secrets {

// 128 random bits from the system's generator, as 32 hexadecimal digits.
QString newToken();

// A group's identifier in the store; as random as a token, though never secret.
QString newGroupId();

// The code typed on the phone: kCodeLength characters of kCodeAlphabet.
QString newCode();

// A typed code with spaces and dashes dropped and letters in upper case.
QString normaliseCode(const QString& typed);

// SHA-256 of the secret's UTF-8 bytes, as hexadecimal text.
QString hash(const QString& secret);

inline constexpr int kCodeLength = 6;
// No 0/O and no 1/I/L, so a code read off a screen is typed without doubt.
inline constexpr char kCodeAlphabet[] = "ABCDEFGHJKMNPQRSTUVWXYZ23456789";

} // namespace Secrets
