#pragma once

#include <QString>

#include <gnutls/abstract.h>
#include <gnutls/gnutls.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

// The server's certificate chain and private key for GnuTLS, replaceable while serving: load()
// reads a new pair and, once it is sound, hands it to every handshake from then on. A pair
// that is replaced is kept for a while, since handshakes begun before may still use it.
class TlsCredentials
{
public:
    TlsCredentials();
    ~TlsCredentials();
    TlsCredentials(const TlsCredentials&) = delete;
    TlsCredentials& operator=(const TlsCredentials&) = delete;

    // False with a message, keeping the pair in use, when the files cannot be read, hold no
    // certificate or key, or the key does not belong to the certificate.
    bool load(const QString& certFile, const QString& keyFile, QString* error);

    // The leaf certificate's serial number in hexadecimal, for the log.
    QString serial() const;

    // GnuTLS's certificate callback (gnutls_certificate_retrieve_function2), answering from the
    // credentials most recently constructed.
    static int retrieve(gnutls_session_t session, const gnutls_datum_t* caNames, int caCount,
                        const gnutls_pk_algorithm_t* algorithms, int algorithmCount, gnutls_pcert_st** chain,
                        unsigned int* chainLength, gnutls_privkey_t* key);

private:
    struct Pair;

    mutable std::mutex m_mutex;
    std::shared_ptr<Pair> m_current;
    std::vector<std::pair<std::chrono::steady_clock::time_point, std::shared_ptr<Pair>>> m_retired;
};
