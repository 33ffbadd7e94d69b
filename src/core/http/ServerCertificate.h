#pragma once

#include "common/Error.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <openssl/types.h>

// A server's certificate as a person judges it before trusting it: who it was issued to and by,
// how long it is valid, and its SHA-256 fingerprint, the one value that names exactly this
// certificate. The fingerprint is written as upper-case hex pairs joined by colons, the same form
// shown, stored and compared.
class ServerCertificate
{
public:
    ServerCertificate() = default;
    // DER-encoded; a certificate that cannot be read gives a null one.
    explicit ServerCertificate(const QByteArray &der);

    bool isNull() const { return m_der.isEmpty(); }
    QByteArray der() const { return m_der; }
    // Common name, organisation, unit and country, as far as given.
    QString subject() const { return m_subject; }
    QString issuer() const { return m_issuer; }
    QDateTime effectiveDate() const { return m_effectiveDate; }
    QDateTime expiryDate() const { return m_expiryDate; }
    QString fingerprint() const { return m_fingerprint; }
    // Subject, issuer, validity and fingerprint, one per line.
    QString description() const;

    static QString fingerprintOf(const QByteArray &der);
    // The DER encoding of an OpenSSL certificate; empty for none.
    static QByteArray derOf(X509 *certificate);

    // The certificate the server at url's host and port presents, seen in a TLS handshake alone: no
    // request is sent. Found whether or not it is trusted; any certificate trusted for that server
    // before is not consulted. Null with the error when no handshake got as far as the certificate.
    static ServerCertificate presentedBy(const QUrl &url, Error &error);

private:
    QByteArray m_der;
    QString m_subject;
    QString m_issuer;
    QDateTime m_effectiveDate;
    QDateTime m_expiryDate;
    QString m_fingerprint;
};
