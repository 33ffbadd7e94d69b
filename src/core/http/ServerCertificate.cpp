#include "http/ServerCertificate.h"

#include "common/MessageText.h"
#include "http/CurlShare.h"
#include "http/HttpFailure.h"
#include "http/HttpProxy.h"
#include "http/TlsVerification.h"

#include <QCryptographicHash>
#include <QStringList>

#include <curl/curl.h>
#include <openssl/x509.h>

#include <memory>

namespace {

// Long enough for a server across the world, short enough for a person waiting at a terminal.
constexpr long HandshakeTimeoutMs = 30000;

struct X509Free
{
    void operator()(X509 *certificate) const { X509_free(certificate); }
};

QString readableName(const X509_NAME *name)
{
    QStringList parts;
    for (const int nid :
         {NID_commonName, NID_organizationName, NID_organizationalUnitName, NID_countryName}) {
        QStringList values;
        for (int i = X509_NAME_get_index_by_NID(name, nid, -1); i >= 0;
             i = X509_NAME_get_index_by_NID(name, nid, i)) {
            unsigned char *utf8 = nullptr;
            const int length =
                ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, i)));
            if (length >= 0)
                values.append(QString::fromUtf8(reinterpret_cast<const char *>(utf8), length));
            OPENSSL_free(utf8);
        }
        if (!values.isEmpty())
            parts.append(values.join(QStringLiteral(", ")));
    }
    return parts.join(QStringLiteral(", "));
}

QDateTime utcTime(const ASN1_TIME *time)
{
    tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    return QDateTime(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
                     QTime(parts.tm_hour, parts.tm_min, parts.tm_sec), Qt::UTC);
}

} // namespace

ServerCertificate::ServerCertificate(const QByteArray &der)
{
    const auto *in = reinterpret_cast<const unsigned char *>(der.constData());
    const std::unique_ptr<X509, X509Free> certificate(d2i_X509(nullptr, &in, long(der.size())));
    if (!certificate)
        return;
    m_der = der;
    m_subject = readableName(X509_get_subject_name(certificate.get()));
    m_issuer = readableName(X509_get_issuer_name(certificate.get()));
    m_effectiveDate = utcTime(X509_get0_notBefore(certificate.get()));
    m_expiryDate = utcTime(X509_get0_notAfter(certificate.get()));
    m_fingerprint = fingerprintOf(der);
}

QByteArray ServerCertificate::derOf(X509 *certificate)
{
    QByteArray der;
    const int length = certificate ? i2d_X509(certificate, nullptr) : 0;
    if (length > 0) {
        der.resize(length);
        auto *out = reinterpret_cast<unsigned char *>(der.data());
        i2d_X509(certificate, &out);
    }
    return der;
}

QString ServerCertificate::fingerprintOf(const QByteArray &der)
{
    const QByteArray digest = QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex().toUpper();
    QStringList pairs;
    for (qsizetype i = 0; i < digest.size(); i += 2)
        pairs.append(QString::fromLatin1(digest.mid(i, 2)));
    return pairs.join(QLatin1Char(':'));
}

QString ServerCertificate::description() const
{
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm 'UTC'");
    return QStringList{
        messageText(QStringLiteral("Text_CertificateSubject")).arg(m_subject),
        messageText(QStringLiteral("Text_CertificateIssuer")).arg(m_issuer),
        messageText(QStringLiteral("Text_CertificateValidity"))
            .arg(m_effectiveDate.toString(format), m_expiryDate.toString(format)),
        messageText(QStringLiteral("Text_CertificateFingerprint")).arg(m_fingerprint),
    }
        .join(QLatin1Char('\n'));
}

ServerCertificate ServerCertificate::presentedBy(const QUrl &url, Error &error)
{
    CurlShare::handle(); // libcurl is initialised
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), curl_easy_cleanup);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.toEncoded().constData());
    curl_easy_setopt(easy.get(), CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT_MS, HandshakeTimeoutMs);
    curl_easy_setopt(easy.get(), CURLOPT_ERRORBUFFER, errorBuffer);
    const bool throughProxy = HttpProxy::apply(easy.get(), url);
    // No trusted fingerprint: what is wanted is the certificate, whatever was trusted before.
    auto peer = std::make_shared<TlsPeer>();
    TlsVerification::apply(easy.get(), &peer);
    // A resumed session would show no certificate at all.
    curl_easy_setopt(easy.get(), CURLOPT_SSL_SESSIONID_CACHE, 0L);
    const CURLcode code = curl_easy_perform(easy.get());
    const ServerCertificate certificate(peer->certificateDer);
    if (!certificate.isNull() && (code == CURLE_OK || code == CURLE_PEER_FAILED_VERIFICATION))
        return certificate;
    error = HttpFailure::fromCurl(code == CURLE_OK ? CURLE_SSL_CONNECT_ERROR : code,
                                  QString::fromUtf8(errorBuffer), url, false, *peer, throughProxy);
    return {};
}
