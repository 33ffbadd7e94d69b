#pragma once

#include <QList>
#include <QNetworkRequest>
#include <QSslCertificate>

// Certificate authorities trusted in addition to the system's, for servers with a private or
// self-signed certificate (the command line's --ca-cert). Process-wide; applies to every request
// prepared after the change, SOAP calls and uploads alike. Verification itself stays on.
class TrustedCertificates
{
public:
    static void setAdditionalCaCertificates(const QList<QSslCertificate> &certificates);
    static QList<QSslCertificate> additionalCaCertificates();

    // Gives the request a TLS configuration that trusts the system's authorities plus the
    // additional ones; leaves it alone when there are none.
    static void applyTo(QNetworkRequest &request);
};
