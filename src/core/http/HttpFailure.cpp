#include "http/HttpFailure.h"

#include "common/MessageText.h"
#include "http/ServerCertificate.h"
#include "http/TransportFailure.h"

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
    case CURLE_SEND_FAIL_REWIND:
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

QString HttpFailure::describe(QNetworkReply::NetworkError code, const QString &detail)
{
    const char *key = "NetworkError_Other";
    switch (code) {
    case QNetworkReply::ConnectionRefusedError:
        key = "NetworkError_Refused";
        break;
    case QNetworkReply::HostNotFoundError:
        key = "NetworkError_HostNotFound";
        break;
    case QNetworkReply::TimeoutError:
        key = "NetworkError_TimedOut";
        break;
    case QNetworkReply::RemoteHostClosedError:
        key = "NetworkError_Closed";
        break;
    case QNetworkReply::ProtocolFailure:
        key = "NetworkError_NotHttp";
        break;
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
        key = "NetworkError_Proxy";
        break;
    case QNetworkReply::OperationCanceledError:
        key = "NetworkError_Canceled";
        break;
    case QNetworkReply::SslHandshakeFailedError:
        key = "NetworkError_SSL_CONNECTION_ERROR";
        break;
    default:
        break;
    }
    const QString text = messageText(QString::fromLatin1(key));
    return detail.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, detail);
}

Error HttpFailure::fromCurl(CURLcode code, const QString &detail, const QUrl &url, bool replyStarted,
                            const TlsPeer &peer, bool throughProxy)
{
    QNetworkReply::NetworkError kind = networkError(code);
    // libcurl words a proxy it cannot reach as a server it cannot reach.
    if (throughProxy && !replyStarted &&
        (code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST))
        kind = code == CURLE_COULDNT_CONNECT ? QNetworkReply::ProxyConnectionRefusedError
                                             : QNetworkReply::ProxyNotFoundError;
    const QString curlText = detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : detail;
    const QString description = describe(kind, curlText);
    TransportFailure::Symptom symptom = TransportFailure::Symptom::Other;
    QStringList problems;
    ServerCertificate certificate;
    QString trustedFingerprint;
    if (!replyStarted) {
        switch (code) {
        case CURLE_PEER_FAILED_VERIFICATION:
            // A name that does not match is found by libcurl after the chain was accepted.
            problems = peer.problems.isEmpty() ? QStringList{description} : peer.problems;
            certificate = ServerCertificate(peer.certificateDer);
            if (peer.certificateChanged)
                trustedFingerprint = peer.trustedFingerprint;
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
    // A failed secure connection is explained by TransportFailure, under the TLS library's own words.
    const bool tls = !problems.isEmpty() || symptom == TransportFailure::Symptom::TlsHandshakeFailed;
    return TransportFailure::makeError(Domain, int(kind), tls ? curlText : description, url, symptom,
                                       problems, certificate, trustedFingerprint);
}

Error HttpFailure::make(QNetworkReply::NetworkError code, const QString &description, const QUrl &url)
{
    return TransportFailure::makeError(Domain, int(code), description, url, TransportFailure::Symptom::Other,
                                       {}, ServerCertificate());
}
