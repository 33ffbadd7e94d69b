#pragma once

#include <openssl/x509_vfy.h>

// The authorities every TLS connection of the process verifies against: the system's, as OpenSSL
// finds them (SSL_CERT_DIR and SSL_CERT_FILE, or the compiled-in places), plus the additional ones
// of TrustedCertificates. One store serves every connection; it is made again when the additional
// authorities or the system's places change, and after a while, so that a change to the system's
// authorities reaches a long-running program.
//
// The system's authorities cost nothing until a chain needs one: the hashed folder gives up single
// certificates, and the bundle file, whose parsing takes tens of milliseconds (a large part of a
// short session), is read only when the folder and the additional authorities lack an issuer.
class TrustStore
{
public:
    // A reference the caller owns.
    static X509_STORE *acquire();
};
