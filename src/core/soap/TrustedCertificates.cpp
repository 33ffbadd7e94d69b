#include "soap/TrustedCertificates.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSslConfiguration>

namespace {

struct TrustState
{
    QMutex mutex;
    QList<QSslCertificate> additional;
    // System authorities plus the additional ones, worked out once per change.
    QList<QSslCertificate> all;
};

TrustState &trustState()
{
    static TrustState state;
    return state;
}

} // namespace

void TrustedCertificates::setAdditionalCaCertificates(const QList<QSslCertificate> &certificates)
{
    TrustState &state = trustState();
    QList<QSslCertificate> all;
    if (!certificates.isEmpty())
        all = QSslConfiguration::systemCaCertificates() + certificates;
    QMutexLocker locker(&state.mutex);
    state.additional = certificates;
    state.all = std::move(all);
}

QList<QSslCertificate> TrustedCertificates::additionalCaCertificates()
{
    TrustState &state = trustState();
    QMutexLocker locker(&state.mutex);
    return state.additional;
}

void TrustedCertificates::applyTo(QNetworkRequest &request)
{
    TrustState &state = trustState();
    QMutexLocker locker(&state.mutex);
    if (state.all.isEmpty())
        return;
    QSslConfiguration configuration = request.sslConfiguration();
    configuration.setCaCertificates(state.all);
    request.setSslConfiguration(configuration);
}
