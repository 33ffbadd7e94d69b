#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

// What is trusted beyond the system's authorities, process-wide, for every connection made after a
// change, SOAP calls and uploads alike; verification itself stays on:
// - additional certificate authorities, for servers with a private or self-signed certificate (the
//   command line's --ca-cert, the profile's CA file);
// - one certificate per server, by its SHA-256 fingerprint (see ServerCertificate), which the user
//   chose to trust for exactly that host and port.
class TrustedCertificates
{
public:
    // Certificates DER-encoded, as the TLS library takes them.
    static void setAdditionalCaCertificates(const QList<QByteArray> &der);
    static QList<QByteArray> additionalCaCertificatesDer();
    // The certificates of a PEM or DER file, DER-encoded; empty when it cannot be read or holds none.
    static QList<QByteArray> readCertificateFile(const QString &path);

    // "host:port" of an address ("[::1]:8443" for IPv6), the port defaulting by scheme: what a
    // trusted certificate is kept under.
    static QString serverKey(const QUrl &url);
    // Fingerprints by server key; replaces them all.
    static void setServerFingerprints(const QHash<QString, QString> &fingerprints);
    // Empty forgets the server's certificate.
    static void setServerFingerprint(const QString &serverKey, const QString &fingerprint);
    // Empty when none is trusted for that server.
    static QString serverFingerprint(const QString &serverKey);
};
