#include "http/TrustedCertificates.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

struct TrustState
{
    QMutex mutex;
    QList<QSslCertificate> additional;
    QList<QByteArray> der;
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
