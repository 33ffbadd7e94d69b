#pragma once

#include "common/Error.h"
#include "http/ServerCertificate.h"

#include <QStringList>
#include <QUrl>

// What went wrong with a connection's security, worked out once where the connection failed and
// kept on its Error, so that every caller explains it the same way: a server certificate that is
// not trusted (with the certificate, so that the user may trust it), a server that shows another
// certificate than the one the user trusted for it, HTTPS spoken to a plain HTTP port or plain HTTP
// to an HTTPS port, or another failed TLS handshake. The Error keeps the transport's own domain and
// code.
class TransportFailure
{
public:
    enum Kind {
        NotTls = 0,
        CertificateUntrusted,
        TlsToPlainHttpPort, // HTTPS used, the port answers plain HTTP
        PlainHttpToTlsPort, // plain HTTP used, the port expects TLS
        TlsHandshakeFailed,
        CertificateChanged, // not the certificate the user trusted for this server
    };

    // How the exchange ended, as far as the transport tells.
    enum class Symptom {
        TlsHandshakeFailed,  // the TLS handshake did not complete
        ClosedWithoutAnswer, // the peer closed without a byte of reply
        Other,
    };

    // The transport error for a failed exchange with url. An ambiguous ending is settled by asking
    // the port once more, briefly: whether it answers plain HTTP, or whether it speaks TLS.
    // tlsProblems are the reasons a server certificate was not trusted, certificate that certificate;
    // trustedFingerprint, when given, is the certificate the user trusted there instead.
    static Error makeError(const QString &domain, int code, const QString &description, const QUrl &url,
                           Symptom symptom, const QStringList &tlsProblems,
                           const ServerCertificate &certificate, const QString &trustedFingerprint = {});

    static Kind kind(const Error &error);
    // The server certificate that was not trusted, as readable lines; empty for other failures.
    static QString certificateText(const Error &error);
    // The same certificate itself, null for other failures.
    static ServerCertificate certificate(const Error &error);
    // Where it was shown, as TrustedCertificates keys a server; empty for other failures.
    static QString serverKey(const Error &error);
    // The certificate trusted for that server, when the server showed another.
    static QString trustedFingerprint(const Error &error);
    // The verification errors or the handshake failure as the TLS library words them.
    static QStringList tlsErrors(const Error &error);

    // The user-visible explanation of a TLS failure (plain text, lines separated by "\n"), with the
    // server name the user typed; empty when the error is not one.
    static QString describe(const Error &error, const QString &serverName);

    // Short checks of a port, waiting at most timeoutMs each.
    static bool answersPlainHttp(const QString &host, quint16 port, int timeoutMs);
    static bool speaksTls(const QString &host, quint16 port, int timeoutMs);

    static inline const QString KindKey = QStringLiteral("tlsFailure");
    static inline const QString CertificateKey = QStringLiteral("certificate");
    static inline const QString CertificateDerKey = QStringLiteral("certificateDer");
    static inline const QString ServerKey = QStringLiteral("server");
    static inline const QString TrustedFingerprintKey = QStringLiteral("trustedFingerprint");
    static inline const QString TlsErrorsKey = QStringLiteral("tlsErrors");
};
