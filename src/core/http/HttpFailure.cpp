#include "http/HttpFailure.h"

#include "http/TransportFailure.h"

#include <QSslCertificate>

const QString HttpFailure::Domain = QStringLiteral("QNetworkReply");

QNetworkReply::NetworkError HttpFailure::networkError(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return QNetworkReply::NoError;
    case CURLE_COULDNT_CONNECT:
        return QNetworkReply::ConnectionRefusedError;
    case CURLE_COULDNT_RESOLVE_HOST:
        return QNetworkReply::HostNotFoundError;
    case CURLE_COULDNT_RESOLVE_PROXY:
        return QNetworkReply::ProxyNotFoundError;
    case CURLE_OPERATION_TIMEDOUT:
        return QNetworkReply::TimeoutError;
    case CURLE_ABORTED_BY_CALLBACK:
        return QNetworkReply::OperationCanceledError;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
        return QNetworkReply::SslHandshakeFailedError;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return QNetworkReply::RemoteHostClosedError;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return QNetworkReply::ProtocolFailure;
    default:
        return QNetworkReply::UnknownNetworkError;
    }
}

Error HttpFailure::fromCurl(CURLcode code, const QString &detail, const QUrl &url, bool replyStarted,
                            const TlsPeer &peer)
{
    const QString description = detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : detail;
    TransportFailure::Symptom symptom = TransportFailure::Symptom::Other;
    QStringList problems;
    QSslCertificate certificate;
    if (!replyStarted) {
        switch (code) {
        case CURLE_PEER_FAILED_VERIFICATION:
            // A name that does not match is found by libcurl after the chain was accepted.
            problems = peer.problems.isEmpty() ? QStringList{description} : peer.problems;
            if (!peer.certificateDer.isEmpty())
                certificate = QSslCertificate(peer.certificateDer, QSsl::Der);
            break;
        case CURLE_SSL_CONNECT_ERROR:
            symptom = TransportFailure::Symptom::TlsHandshakeFailed;
            break;
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            symptom = TransportFailure::Symptom::ClosedWithoutAnswer;
            break;
        default:
            break;
        }
    }
    return TransportFailure::makeError(Domain, int(networkError(code)), description, url, symptom, problems,
                                       certificate);
}

Error HttpFailure::make(QNetworkReply::NetworkError code, const QString &description, const QUrl &url)
{
    return TransportFailure::makeError(Domain, int(code), description, url, TransportFailure::Symptom::Other,
                                       {}, QSslCertificate());
}
