#include "http/TlsVerification.h"

#include "http/ServerCertificate.h"
#include "http/TrustStore.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace {

using PeerHolder = std::shared_ptr<TlsPeer>;

void freeHolder(void *, void *holder, CRYPTO_EX_DATA *, int, long, void *)
{
    delete static_cast<PeerHolder *>(holder);
}

// Where a TLS context keeps the record of its transfer. libcurl makes a context per connection,
// and the context may outlive the transfer that opened it, so it holds a share of the record.
int peerIndex()
{
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, freeHolder);
    return index;
}

// The certificate the user trusted for this server stands for the whole chain: it alone passes,
// whatever the chain says, and any other fails, however well signed.
int checkTrustedCertificate(TlsPeer &peer, const QByteArray &leafDer, X509_STORE_CTX *store)
{
    if (!leafDer.isEmpty() && ServerCertificate::fingerprintOf(leafDer) == peer.trustedFingerprint) {
        // What the handshake reports at its end is the last error seen, so none may stay behind.
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    peer.certificateChanged = true;
    X509_STORE_CTX_set_error(store, X509_V_ERR_CERT_REJECTED);
    return 0;
}

int recordVerification(int preverified, X509_STORE_CTX *store)
{
    auto *ssl = static_cast<SSL *>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto *holder =
        ssl ? static_cast<PeerHolder *>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), peerIndex())) : nullptr;
    if (holder && *holder) {
        TlsPeer &peer = **holder;
        const QByteArray leafDer = ServerCertificate::derOf(X509_STORE_CTX_get0_cert(store));
        if (peer.certificateDer.isEmpty())
            peer.certificateDer = leafDer;
        if (!peer.trustedFingerprint.isEmpty())
            return checkTrustedCertificate(peer, leafDer, store);
        if (!preverified) {
            const QString problem =
                QString::fromUtf8(X509_verify_cert_error_string(X509_STORE_CTX_get_error(store)));
            if (!peer.problems.contains(problem))
                peer.problems.append(problem);
        }
    }
    // The verdict stays OpenSSL's: recording never turns a failure into a success.
    return preverified;
}

CURLcode prepareContext(CURL *, void *context, void *data)
{
    auto *sslContext = static_cast<SSL_CTX *>(context);
    SSL_CTX_set_cert_store(sslContext, TrustStore::acquire());
    SSL_CTX_set_ex_data(sslContext, peerIndex(), new PeerHolder(*static_cast<PeerHolder *>(data)));
    SSL_CTX_set_verify(sslContext, SSL_VERIFY_PEER, recordVerification);
    return CURLE_OK;
}

} // namespace

void TlsVerification::apply(CURL *easy, std::shared_ptr<TlsPeer> *peer)
{
    const bool trustedCertificate = !(*peer)->trustedFingerprint.isEmpty();
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    // The name check is left to the fingerprint when the user trusted one certificate for this host
    // and port: a home server's certificate often names another address, and no other certificate
    // passes there anyway.
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, trustedCertificate ? 0L : 2L);
    // Every exchange with such a server checks the certificate anew: a resumed session skips the
    // check, and libcurl would reuse a connection checked against a certificate trusted before.
    curl_easy_setopt(easy, CURLOPT_SSL_SESSIONID_CACHE, trustedCertificate ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, trustedCertificate ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, trustedCertificate ? 1L : 0L);
    // The authorities come from the shared store set on each TLS context; libcurl loads none itself.
    curl_easy_setopt(easy, CURLOPT_CAINFO, nullptr);
    curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    // libcurl's own cache of authorities would take the place of the shared store.
    curl_easy_setopt(easy, CURLOPT_CA_CACHE_TIMEOUT, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, prepareContext);
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, peer);
}
