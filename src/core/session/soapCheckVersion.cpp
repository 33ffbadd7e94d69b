#include "session/soapCheckVersion.h"

#include "session/ClientVersion.h"

bool soapCheckVersion::deserialise(const QVariantMap &result)
{
    const auto details = result.constFind(QStringLiteral("objVersionDetails"));
    if (details == result.constEnd())
        return false;
    const QVariantMap d = details->toMap();
    m_bFileChunkingSupported = getBoolean(QStringLiteral("m_bFileChunkingSupported"), d);
    m_bRunningLatestVersion = getBoolean(QStringLiteral("m_bRunningLatestVersion"), d);
    m_bVersionIsCompatible = getBoolean(QStringLiteral("m_bVersionIsCompatible"), d);
    m_nMaxFileSize = getNumber(QStringLiteral("m_nMaxFileSize"), d);
    m_nMaxTransferSize = getNumber(QStringLiteral("m_nMaxTransferSize"), d);
    m_strLatestVersion = getString(QStringLiteral("m_strLatestVersion"), d);
    m_strServiceVersion = getString(QStringLiteral("m_strServiceVersion"), d);
    m_strURLForLatestVersion = getString(QStringLiteral("m_strURLForLatestVersion"), d);

    if (m_strServiceVersion.isEmpty())
        m_strServiceVersion = ClientVersion::numberText();
    if (!m_nMaxTransferSize.isValid() || m_nMaxTransferSize.toDouble() <= 0)
        m_nMaxTransferSize = QVariant(2147483648.0f);
    return true;
}
