#pragma once

#include "session/soapResultsBase.h"

// The version details of the CheckVersion reply ("objVersionDetails").
class soapCheckVersion : public soapResultsBase
{
public:
    // False, and nothing changes, when the reply lacks "objVersionDetails".
    bool deserialise(const QVariantMap &result);

    bool bFileChunkingSupported() const { return m_bFileChunkingSupported; }
    bool bRunningLatestVersion() const { return m_bRunningLatestVersion; }
    bool bVersionIsCompatible() const { return m_bVersionIsCompatible; }
    QVariant nMaxFileSize() const { return m_nMaxFileSize; }
    // The largest number of bytes one upload may carry; 2^31 when the server names none.
    QVariant nMaxTransferSize() const { return m_nMaxTransferSize; }
    QString strLatestVersion() const { return m_strLatestVersion; }
    // Part of the namespace of every later request; the client version when the server names none.
    QString strServiceVersion() const { return m_strServiceVersion; }
    QString strURLForLatestVersion() const { return m_strURLForLatestVersion; }

private:
    bool m_bFileChunkingSupported = false;
    bool m_bRunningLatestVersion = false;
    bool m_bVersionIsCompatible = false;
    QVariant m_nMaxFileSize;
    QVariant m_nMaxTransferSize;
    QString m_strLatestVersion;
    QString m_strServiceVersion;
    QString m_strURLForLatestVersion;
};
