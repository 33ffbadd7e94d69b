#pragma once

#include <QByteArray>
#include <QStringList>

#include <curl/curl.h>

#include <memory>

// What the TLS handshake of a transfer showed of the server: its certificate and why it was not
// trusted, so that a failure can be explained with the certificate in hand.
struct TlsPeer
{
    // Given before the transfer: the fingerprint of the one certificate the user trusted for this
    // server (see TrustedCertificates), empty for none.
    QString trustedFingerprint;
    QByteArray certificateDer;       // the server's own certificate, empty until a handshake reached it
    QStringList problems;            // the verification failures, in the words of the TLS library
    bool certificateChanged = false; // a trusted fingerprint was given and the server showed another
};

// TLS in one place. Peer verification is always on; the system's authorities are trusted, plus the
// additional ones of TrustedCertificates. For a server with a trusted certificate, exactly that
// certificate is accepted and nothing else, not even one a trusted authority signed.
class TlsVerification
{
public:
    // Sets the handle's TLS options; what the handshake shows is recorded into *peer, which must
    // outlive the transfer.
    static void apply(CURL *easy, std::shared_ptr<TlsPeer> *peer);
};
