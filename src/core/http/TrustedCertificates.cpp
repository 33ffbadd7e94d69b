#include "http/TrustedCertificates.h"

#include "http/ServerCertificate.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>

namespace {

struct TrustState
{
    QMutex mutex;
    QList<QByteArray> der;
    QHash<QString, QString> fingerprints;
};

TrustState &trustState()
{
    static TrustState state;
    return state;
}

} // namespace

void TrustedCertificates::setAdditionalCaCertificates(const QList<QByteArray> &der)
{
    TrustState &state = trustState();
    QMutexLocker locker(&state.mutex);
    state.der = der;
}

QList<QByteArray> TrustedCertificates::additionalCaCertificatesDer()
{
    TrustState &state = trustState();
    QMutexLocker locker(&state.mutex);
    return state.der;
}

// Read with OpenSSL, which the connections use anyway, rather than through Qt's TLS plugin, which
// would be loaded for this alone.
QList<QByteArray> TrustedCertificates::readCertificateFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    QList<QByteArray> certificates;
    const std::unique_ptr<BIO, decltype(&BIO_free)> in(BIO_new_mem_buf(data.constData(), int(data.size())),
                                                       BIO_free);
    while (X509 *certificate = PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr)) {
        certificates.append(ServerCertificate::derOf(certificate));
        X509_free(certificate);
    }
    if (certificates.isEmpty()) {
        const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
        if (X509 *certificate = d2i_X509(nullptr, &bytes, long(data.size()))) {
            certificates.append(ServerCertificate::derOf(certificate));
            X509_free(certificate);
        }
    }
    ERR_clear_error();
    return certificates;
}

QString TrustedCertificates::serverKey(const QUrl &url)
{
    const bool https = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const QString host = url.host().toLower();
    const int port = url.port(https ? 443 : 80);
    return host.contains(u':') ? QStringLiteral("[%1]:%2").arg(host).arg(port)
                               : QStringLiteral("%1:%2").arg(host).arg(port);
}

void TrustedCertificates::setServerFingerprints(const QHash<QString, QString> &fingerprints)
{
    TrustState &state = trustState();
    QMutexLocker locker(&state.mutex);
    state.fingerprints = fingerprints;
}

void TrustedCertificates::setServerFingerprint(const QString &serverKey, const QString &fingerprint)
{
    TrustState &state = trustState();
    QMutexLocker locker(&state.mutex);
    if (fingerprint.isEmpty())
        state.fingerprints.remove(serverKey);
    else
        state.fingerprints.insert(serverKey, fingerprint);
}

QString TrustedCertificates::serverFingerprint(const QString &serverKey)
{
    TrustState &state = trustState();
    QMutexLocker locker(&state.mutex);
    return state.fingerprints.value(serverKey);
}
