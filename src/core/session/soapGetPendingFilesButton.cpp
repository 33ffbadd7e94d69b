#include "session/soapGetPendingFilesButton.h"

bool soapGetPendingFilesButton::deserialise(const QVariantMap &result)
{
    const QVariantMap button = result.value(QStringLiteral("objPendingFilesButtonDetails")).toMap();
    const QMutexLocker lock(&m_mutex);
    const QVariant displayed = getNumber(QStringLiteral("m_bDisplayed"), button);
    m_bDisplayed = displayed.isValid() ? qint32(displayed.toLongLong()) : 0;
    m_strDescription = button.value(QStringLiteral("m_strDescription"));
    m_strLink = button.value(QStringLiteral("m_strLink"));
    return true;
}

// Read under the lock as well: the status check may be writing from its thread.
qint32 soapGetPendingFilesButton::bDisplayed() const
{
    const QMutexLocker lock(&m_mutex);
    return m_bDisplayed;
}

QVariant soapGetPendingFilesButton::strDescription() const
{
    const QMutexLocker lock(&m_mutex);
    return m_strDescription;
}

QVariant soapGetPendingFilesButton::strLink() const
{
    const QMutexLocker lock(&m_mutex);
    return m_strLink;
}
