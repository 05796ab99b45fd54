#include "Secrets.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <array>

namespace Secrets {

namespace {

QString randomHex128()
{
    std::array<quint32, 4> words;
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray bytes(reinterpret_cast<const char*>(words.data()), sizeof(words));
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

QString newToken()
{
    return randomHex128();
}

QString newGroupId()
{
    return randomHex128();
}

QString newCode()
{
    constexpr int alphabetSize = sizeof(kCodeAlphabet) - 1;
    QString code;
    for (int i = 0; i < kCodeLength; ++i)
        code += QLatin1Char(kCodeAlphabet[QRandomGenerator::system()->bounded(alphabetSize)]);
    return code;
}

QString normaliseCode(const QString& typed)
{
    QString code;
    for (QChar c : typed)
        if (!c.isSpace() && c != QLatin1Char('-'))
            code += c.toUpper();
    return code;
}

QString hash(const QString& secret)
{
    return QString::fromLatin1(QCryptographicHash::hash(secret.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace Secrets
