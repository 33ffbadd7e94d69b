#include "session/soapGetQuotaDetails.h"

bool soapGetQuotaDetails::deserialise(const QVariantMap &result)
{
    const QVariantMap quota = result.value(QStringLiteral("objQuotaDetails")).toMap();
    m_nNumberOfFiles = getNumber(QStringLiteral("m_nNumberOfFiles"), quota);
    m_nTotal = getNumber(QStringLiteral("m_nTotal"), quota);
    m_nUsed = getNumber(QStringLiteral("m_nUsed"), quota);
    return true;
}
