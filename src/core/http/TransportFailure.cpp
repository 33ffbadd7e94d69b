#include "http/TransportFailure.h"

#include "common/MessageText.h"

#include "http/CurlShare.h"
#include "http/HttpProxy.h"
#include "http/TrustedCertificates.h"

#include <curl/curl.h>

#include <memory>

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

} // namespace

Error TransportFailure::makeError(const QString &domain, int code, const QString &description,
                                  const QUrl &url, Symptom symptom, const QStringList &tlsProblems,
                                  const ServerCertificate &certificate, const QString &trustedFingerprint)
{
    Error error(domain, code, description);
    const bool secure = isSecure(url);
    Kind kind = NotTls;
    QVariantMap info;
    QStringList reasons = tlsProblems;
    if (secure && !reasons.isEmpty()) {
        kind = trustedFingerprint.isEmpty() ? CertificateUntrusted : CertificateChanged;
        info.insert(ServerKey, TrustedCertificates::serverKey(url));
        if (!trustedFingerprint.isEmpty())
            info.insert(TrustedFingerprintKey, trustedFingerprint);
        if (!certificate.isNull()) {
            info.insert(CertificateKey, certificate.description());
            info.insert(CertificateDerKey, certificate.der());
        }
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
    return value >= NotTls && value <= CertificateChanged ? Kind(value) : NotTls;
}

QString TransportFailure::certificateText(const Error &error)
{
    return error.userInfo().value(CertificateKey).toString();
}

ServerCertificate TransportFailure::certificate(const Error &error)
{
    return ServerCertificate(error.userInfo().value(CertificateDerKey).toByteArray());
}

QString TransportFailure::serverKey(const Error &error)
{
    return error.userInfo().value(ServerKey).toString();
}

QString TransportFailure::trustedFingerprint(const Error &error)
{
    return error.userInfo().value(TrustedFingerprintKey).toString();
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
    case CertificateChanged: {
        QString text = messageText(QStringLiteral("NetworkError_CertificateChanged"))
                           .arg(serverName, trustedFingerprint(error), certificate(error).fingerprint());
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

namespace {

// One HEAD request to the port, with the program's own TLS and proxy rules, waiting at most
// timeoutMs; the handle is returned for its details.
std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> probe(const QString &scheme, const QString &host,
                                                          quint16 port, int timeoutMs, CURLcode &result)
{
    CurlShare::handle(); // libcurl is initialised
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), curl_easy_cleanup);
    QUrl url;
    url.setScheme(scheme);
    url.setHost(host);
    url.setPort(port);
    url.setPath(QStringLiteral("/"));
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.toEncoded().constData());
    curl_easy_setopt(easy.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT_MS, long(timeoutMs));
    curl_easy_setopt(easy.get(), CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_SSL_VERIFYHOST, 2L);
    HttpProxy::apply(easy.get(), url);
    result = curl_easy_perform(easy.get());
    return easy;
}

} // namespace

bool TransportFailure::answersPlainHttp(const QString &host, quint16 port, int timeoutMs)
{
    CURLcode result = CURLE_OK;
    const auto easy = probe(QStringLiteral("http"), host, port, timeoutMs, result);
    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    return status != 0;
}

bool TransportFailure::speaksTls(const QString &host, quint16 port, int timeoutMs)
{
    // Only whether a handshake happens matters here, not whom it is with: a certificate that is not
    // trusted still shows the port speaks TLS, and nothing but the greeting is sent before it.
    CURLcode result = CURLE_OK;
    const auto easy = probe(QStringLiteral("https"), host, port, timeoutMs, result);
    curl_off_t handshake = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_APPCONNECT_TIME_T, &handshake);
    return result == CURLE_OK || result == CURLE_PEER_FAILED_VERIFICATION || handshake > 0;
}
