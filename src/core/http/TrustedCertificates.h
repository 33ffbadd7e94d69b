#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>

// Certificate authorities trusted in addition to the system's, for servers with a private or
// self-signed certificate (the command line's --ca-cert). Process-wide; applies to every connection
// made after the change, SOAP calls and uploads alike. Verification itself stays on.
class TrustedCertificates
{
public:
    static void setAdditionalCaCertificates(const QList<QSslCertificate> &certificates);
    static QList<QSslCertificate> additionalCaCertificates();
    // The same, DER-encoded, as the TLS library takes them.
    static QList<QByteArray> additionalCaCertificatesDer();
};
