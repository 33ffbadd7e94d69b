#include "soap/TransportFailure.h"

#include "common/MessageText.h"

#include <QCryptographicHash>
#include <QSslCertificate>
#include <QSslSocket>
#include <QTcpSocket>

namespace {

// Long enough for a server on the network, short enough not to hold a failure up for long.
constexpr int ProbeTimeoutMs = 3000;

bool isSecure(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

quint16 portOf(const QUrl &url)
{
    return quint16(url.port(isSecure(url) ? 443 : 80));
}

QString joined(const QStringList &parts)
{
    return parts.join(QStringLiteral(", "));
}

QString nameOf(const QSslCertificate &certificate, bool issuer)
{
    QStringList parts;
    for (const auto attribute : {QSslCertificate::CommonName, QSslCertificate::Organization,
                                 QSslCertificate::OrganizationalUnitName, QSslCertificate::CountryName}) {
        const QStringList values =
            issuer ? certificate.issuerInfo(attribute) : certificate.subjectInfo(attribute);
        if (!values.isEmpty())
            parts.append(joined(values));
    }
    return joined(parts);
}

QString fingerprint(const QSslCertificate &certificate)
{
    const QByteArray digest = certificate.digest(QCryptographicHash::Sha256).toHex().toUpper();
    QStringList pairs;
    for (qsizetype i = 0; i < digest.size(); i += 2)
        pairs.append(QString::fromLatin1(digest.mid(i, 2)));
    return pairs.join(QLatin1Char(':'));
}

} // namespace

Error TransportFailure::makeError(const QString &domain, int code, const QString &description,
                                  const QUrl &url, Symptom symptom, const QList<QSslError> &sslErrors)
{
    Error error(domain, code, description);
    const bool secure = isSecure(url);
    Kind kind = NotTls;
    QVariantMap info;
    QStringList reasons;
    QSslCertificate certificate;
    for (const QSslError &sslError : sslErrors) {
        if (sslError.error() == QSslError::NoError)
            continue;
        reasons.append(sslError.errorString());
        if (certificate.isNull())
            certificate = sslError.certificate();
    }
    if (secure && !reasons.isEmpty()) {
        kind = CertificateUntrusted;
        if (!certificate.isNull())
            info.insert(CertificateKey, describeCertificate(certificate));
    } else if (secure && symptom != Symptom::Other) {
        // A plain HTTP server answers a TLS greeting with an error page, or closes.
        if (answersPlainHttp(url.host(), portOf(url), ProbeTimeoutMs))
            kind = TlsToPlainHttpPort;
        else if (symptom == Symptom::TlsHandshakeFailed)
            kind = TlsHandshakeFailed;
        reasons.append(description);
    } else if (!secure && symptom == Symptom::ClosedWithoutAnswer &&
               speaksTls(url.host(), portOf(url), ProbeTimeoutMs)) {
        kind = PlainHttpToTlsPort;
    }
    if (kind == NotTls)
        return error;
    info.insert(KindKey, int(kind));
    if (!reasons.isEmpty())
        info.insert(TlsErrorsKey, reasons);
    error.setUserInfo(info);
    return error;
}

TransportFailure::Kind TransportFailure::kind(const Error &error)
{
    const int value = error.userInfo().value(KindKey, int(NotTls)).toInt();
    return value >= NotTls && value <= TlsHandshakeFailed ? Kind(value) : NotTls;
}

QString TransportFailure::certificateText(const Error &error)
{
    return error.userInfo().value(CertificateKey).toString();
}

QStringList TransportFailure::tlsErrors(const Error &error)
{
    return error.userInfo().value(TlsErrorsKey).toStringList();
}

QString TransportFailure::describe(const Error &error, const QString &serverName)
{
    switch (kind(error)) {
    case NotTls:
        return QString();
    case CertificateUntrusted: {
        QString text = messageText(QStringLiteral("NetworkError_CertificateUntrusted")).arg(serverName);
        const QStringList reasons = tlsErrors(error);
        if (!reasons.isEmpty())
            text += QLatin1Char('\n') + reasons.join(QLatin1Char('\n'));
        if (!certificateText(error).isEmpty())
            text += QStringLiteral("\n\n") + certificateText(error);
        return text;
    }
    case TlsToPlainHttpPort:
        return messageText(QStringLiteral("NetworkError_NO_SSL_ON_HTTP")) + QLatin1Char('\n') +
               messageText(QStringLiteral("NetworkError_TlsToPlainHttpPort"));
    case PlainHttpToTlsPort:
        return messageText(QStringLiteral("NetworkError_NO_SSL_ON_HTTP")) + QLatin1Char('\n') +
               messageText(QStringLiteral("NetworkError_PlainHttpToTlsPort"));
    case TlsHandshakeFailed: {
        QString text = messageText(QStringLiteral("NetworkError_SSL_CONNECTION_ERROR"));
        const QStringList reasons = tlsErrors(error);
        if (!reasons.isEmpty())
            text += QLatin1Char('\n') + reasons.join(QLatin1Char('\n'));
        return text;
    }
    }
    return QString();
}

QString TransportFailure::describeCertificate(const QSslCertificate &certificate)
{
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm 'UTC'");
    QStringList lines;
    lines.append(messageText(QStringLiteral("Text_CertificateSubject")).arg(nameOf(certificate, false)));
    lines.append(messageText(QStringLiteral("Text_CertificateIssuer")).arg(nameOf(certificate, true)));
    lines.append(messageText(QStringLiteral("Text_CertificateValidity"))
                     .arg(certificate.effectiveDate().toUTC().toString(format),
                          certificate.expiryDate().toUTC().toString(format)));
    lines.append(messageText(QStringLiteral("Text_CertificateFingerprint")).arg(fingerprint(certificate)));
    return lines.join(QLatin1Char('\n'));
}

bool TransportFailure::answersPlainHttp(const QString &host, quint16 port, int timeoutMs)
{
    QTcpSocket socket;
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write("HEAD / HTTP/1.0\r\nHost: " + host.toUtf8() + "\r\n\r\n");
    QByteArray answer;
    while (answer.size() < 5 && socket.waitForReadyRead(timeoutMs))
        answer += socket.readAll();
    return answer.startsWith("HTTP/");
}

bool TransportFailure::speaksTls(const QString &host, quint16 port, int timeoutMs)
{
    if (!QSslSocket::supportsSsl())
        return false;
    QSslSocket socket;
    // Only whether a handshake happens matters here, not whom it is with.
    socket.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket.connectToHostEncrypted(host, port);
    return socket.waitForEncrypted(timeoutMs);
}
