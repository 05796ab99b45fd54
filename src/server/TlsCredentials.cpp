#include "TlsCredentials.h"

#include <QFile>

#include <gnutls/x509.h>

#include <atomic>

namespace {

constexpr unsigned int kMaxChain = 16;
// Long past any handshake that could have begun with a replaced pair.
constexpr auto kKeepRetired = std::chrono::minutes(10);

std::atomic<TlsCredentials*> g_instance{nullptr};

bool readFile(const QString& path, QByteArray* bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    *bytes = file.read(1024 * 1024);
    return true;
}

gnutls_datum_t datum(QByteArray& bytes)
{
    return {reinterpret_cast<unsigned char*>(bytes.data()), static_cast<unsigned int>(bytes.size())};
}

QString gnutlsError(int code)
{
    return QString::fromUtf8(gnutls_strerror(code));
}

} // namespace

struct TlsCredentials::Pair
{
    gnutls_pcert_st chain[kMaxChain] = {};
    unsigned int length = 0;
    gnutls_privkey_t key = nullptr;
    QString serial;

    ~Pair()
    {
        for (unsigned int i = 0; i < length; ++i)
            gnutls_pcert_deinit(&chain[i]);
        if (key)
            gnutls_privkey_deinit(key);
    }
};

TlsCredentials::TlsCredentials()
{
    g_instance = this;
}

TlsCredentials::~TlsCredentials()
{
    TlsCredentials* self = this;
    g_instance.compare_exchange_strong(self, nullptr);
}

bool TlsCredentials::load(const QString& certFile, const QString& keyFile, QString* error)
{
    QByteArray certText;
    QByteArray keyText;
    if (!readFile(certFile, &certText, error) || !readFile(keyFile, &keyText, error))
        return false;

    auto pair = std::make_shared<Pair>();
    const gnutls_datum_t certData = datum(certText);
    unsigned int length = kMaxChain;
    int rc = gnutls_pcert_list_import_x509_raw(pair->chain, &length, &certData, GNUTLS_X509_FMT_PEM, 0);
    if (rc < 0 || length == 0) {
        *error = QStringLiteral("cannot read the certificate %1: %2").arg(certFile, gnutlsError(rc));
        return false;
    }
    pair->length = length;

    const gnutls_datum_t keyData = datum(keyText);
    if ((rc = gnutls_privkey_init(&pair->key)) < 0 ||
        (rc = gnutls_privkey_import_x509_raw(pair->key, &keyData, GNUTLS_X509_FMT_PEM, nullptr, 0)) < 0) {
        *error = QStringLiteral("cannot read the private key %1: %2").arg(keyFile, gnutlsError(rc));
        return false;
    }

    // The key belongs to the certificate when their public keys have the same identifier.
    unsigned char certId[64];
    unsigned char keyId[64];
    size_t certIdSize = sizeof(certId);
    size_t keyIdSize = sizeof(keyId);
    gnutls_pubkey_t keyPublic = nullptr;
    bool matches = gnutls_pubkey_init(&keyPublic) >= 0 &&
                   gnutls_pubkey_import_privkey(keyPublic, pair->key, 0, 0) >= 0 &&
                   gnutls_pubkey_get_key_id(keyPublic, 0, keyId, &keyIdSize) >= 0 &&
                   gnutls_pubkey_get_key_id(pair->chain[0].pubkey, 0, certId, &certIdSize) >= 0 &&
                   certIdSize == keyIdSize && std::equal(certId, certId + certIdSize, keyId);
    if (keyPublic)
        gnutls_pubkey_deinit(keyPublic);
    if (!matches) {
        *error =
            QStringLiteral("the private key %1 does not belong to the certificate %2").arg(keyFile, certFile);
        return false;
    }

    gnutls_x509_crt_t leaf = nullptr;
    if (gnutls_x509_crt_init(&leaf) >= 0 &&
        gnutls_x509_crt_import(leaf, &pair->chain[0].cert, GNUTLS_X509_FMT_DER) >= 0) {
        unsigned char serial[64];
        size_t serialSize = sizeof(serial);
        if (gnutls_x509_crt_get_serial(leaf, serial, &serialSize) >= 0)
            pair->serial = QString::fromLatin1(
                QByteArray(reinterpret_cast<const char*>(serial), qsizetype(serialSize)).toHex().toUpper());
    }
    if (leaf)
        gnutls_x509_crt_deinit(leaf);

    const auto now = std::chrono::steady_clock::now();
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_retired, [now](const auto& retired) { return now - retired.first > kKeepRetired; });
    if (m_current)
        m_retired.emplace_back(now, std::move(m_current));
    m_current = std::move(pair);
    return true;
}

QString TlsCredentials::serial() const
{
    const std::lock_guard lock(m_mutex);
    return m_current ? m_current->serial : QString();
}

int TlsCredentials::retrieve(gnutls_session_t, const gnutls_datum_t*, int, const gnutls_pk_algorithm_t*, int,
                             gnutls_pcert_st** chain, unsigned int* chainLength, gnutls_privkey_t* key)
{
    TlsCredentials* self = g_instance.load();
    if (!self)
        return -1;
    const std::lock_guard lock(self->m_mutex);
    if (!self->m_current)
        return -1;
    *chain = self->m_current->chain;
    *chainLength = self->m_current->length;
    *key = self->m_current->key;
    return 0;
}
