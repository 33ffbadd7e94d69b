#include "session/LoginFailureMessage.h"

#include "common/MessageText.h"
#include "http/HttpFailure.h"
#include "http/TransportFailure.h"

namespace {

QString text(const char *key)
{
    return messageText(QString::fromLatin1(key));
}

} // namespace

LoginFailureMessage LoginFailureMessage::forError(const Error &error, const QString &serverName,
                                                  bool useHttps)
{
    LoginFailureMessage message;
    if (!error)
        return message;

    if (error.domain() == QLatin1String("SOAP-Login") && error.code() == 9004) {
        message.m_kind = IncompatibleVersion;
        message.m_messageText = text("Text_IncompatibleVersion");
        message.m_informativeText = text("Text_IncompatibleVersionMsg");
        message.m_buttonTitles = {text("Text_QuitAndOpen"), text("Text_Quit")};
        return message;
    }

    message.m_messageText = text("Text_ErrorFailedLogin");
    message.m_buttonTitles = {text("Text_OK")};
    QString plain;
    switch (TransportFailure::kind(error)) {
    case TransportFailure::CertificateUntrusted:
        // An untrusted certificate without HTTPS can only mean the two were mixed up.
        if (useHttps) {
            message.m_kind = CertificateUntrusted;
            plain = TransportFailure::describe(error, serverName);
            if (!TransportFailure::certificate(error).isNull())
                message.m_buttonTitles.append(text("Text_TrustCertificate"));
        } else {
            message.m_kind = NoSslOnHttp;
            plain = text("NetworkError_NO_SSL_ON_HTTP");
        }
        break;
    case TransportFailure::CertificateChanged:
        message.m_kind = CertificateChanged;
        plain = TransportFailure::describe(error, serverName);
        break;
    case TransportFailure::TlsToPlainHttpPort:
    case TransportFailure::PlainHttpToTlsPort:
        message.m_kind = NoSslOnHttp;
        plain = TransportFailure::describe(error, serverName);
        break;
    case TransportFailure::TlsHandshakeFailed:
        message.m_kind = SslConnectionError;
        plain = TransportFailure::describe(error, serverName);
        break;
    case TransportFailure::NotTls:
        if (error.domain() == HttpFailure::Domain) {
            message.m_kind = TransportError;
            plain = text("Text_ErrorWithCode").arg(error.description()).arg(error.code());
        } else {
            message.m_kind = ServerError;
            plain = error.description();
        }
        break;
    }
    message.m_informativeText = plain.toHtmlEscaped();
    return message;
}
