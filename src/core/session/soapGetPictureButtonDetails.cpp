#include "session/soapGetPictureButtonDetails.h"

bool soapGetPictureButtonDetails::deserialise(const QVariantMap &result)
{
    const QVariantMap button = result.value(QStringLiteral("objMyPicturesButtonDetails")).toMap();
    m_bDisplayed = getBoolean(QStringLiteral("m_bDisplayed"), button);
    m_strDescription = button.value(QStringLiteral("m_strDescription"));
    m_strLink = button.value(QStringLiteral("m_strLink"));
    return true;
}
