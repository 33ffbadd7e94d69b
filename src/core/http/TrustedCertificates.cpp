#include "http/TrustedCertificates.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>

namespace {

struct TrustState
{
    QMutex mutex;
    QList<QSslCertificate> additional;
    QList<QByteArray> der;
    QHash<QString, QString> fingerprints;
};

TrustState &trustState()
{
    static TrustState state;
    return state;
}

} // namespace

void TrustedCertificates::setAdditionalCaCertificates(const QList<QSslCertificate> &certificates)
{
    QList<QByteArray> der;
    for (const QSslCertificate &certificate : certificates)
        der.append(certificate.toDer());
    TrustState &state = trustState();
    QMutexLocker locker(&state.mutex);
    state.additional = certificates;
    state.der = std::move(der);
}

QList<QSslCertificate> TrustedCertificates::additionalCaCertificates()
{
    TrustState &state = trustState();
    QMutexLocker locker(&state.mutex);
    return state.additional;
}

QList<QByteArray> TrustedCertificates::additionalCaCertificatesDer()
{
    TrustState &state = trustState();
    QMutexLocker locker(&state.mutex);
    return state.der;
}

QList<QSslCertificate> TrustedCertificates::readCertificateFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    const QList<QSslCertificate> pem = QSslCertificate::fromData(data, QSsl::Pem);
    return pem.isEmpty() ? QSslCertificate::fromData(data, QSsl::Der) : pem;
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
