#include "albums/soapRemoteBase.h"

#include "diagnostics/DiagnosticLine.h"

bool soapRemoteBase::deserialise(const QVariantMap &)
{
    return true;
}

QString soapRemoteBase::fullRemotePath() const
{
    const QMutexLocker lock(&m_lock);
    return m_fullRemotePath;
}

void soapRemoteBase::setFullRemotePath(const QString &path)
{
    const QMutexLocker lock(&m_lock);
    m_fullRemotePath = path;
}

bool soapRemoteBase::hasPendingAsyncOp() const
{
    const QMutexLocker lock(&m_lock);
    return m_hasPendingAsyncOp;
}

void soapRemoteBase::setPendingAsyncOp(bool pending)
{
    const QMutexLocker lock(&m_lock);
    if (pending && m_hasPendingAsyncOp)
        VENDRA_DIAG(QStringLiteral("Unexpected simultaneous async ops for <%1>").arg(m_fullRemotePath));
    else
        VENDRA_DIAG(
            QStringLiteral("set Pending async ops to %1 for <%2>").arg(int(pending)).arg(m_fullRemotePath));
    m_hasPendingAsyncOp = pending;
}
