#include "session/soapLogin.h"

bool soapLogin::deserialise(const QVariantMap &result)
{
    const bool haveDetails = result.contains(QStringLiteral("objUserDetails"));
    const QVariantMap user = result.value(QStringLiteral("objUserDetails")).toMap();
    const QVariantMap rights = result.value(QStringLiteral("objUserPermissions")).toMap();

    m_strUserID = user.value(QStringLiteral("m_nUserID"));
    m_strUserName = user.value(QStringLiteral("m_strUsername"));
    m_strDescription = user.value(QStringLiteral("m_strDescription"));
    m_strEmail = user.value(QStringLiteral("m_strEmail"));

    m_bCreateTopLevelAlbum = getBoolean(QStringLiteral("m_bCreateTopLevelAlbum"), rights);
    m_bCreateSubAlbum = getBoolean(QStringLiteral("m_bCreateSubAlbum"), rights);
    m_bRenameTopLevelAlbum = getBoolean(QStringLiteral("m_bRenameTopLevelAlbum"), rights);
    m_bRenameSubAlbum = getBoolean(QStringLiteral("m_bRenameSubAlbum"), rights);
    m_bDeleteTopLevelAlbum = getBoolean(QStringLiteral("m_bDeleteTopLevelAlbum"), rights);
    m_bDeleteSubAlbum = getBoolean(QStringLiteral("m_bDeleteSubAlbum"), rights);
    m_bDeleteAsset = getBoolean(QStringLiteral("m_bDeleteAsset"), rights);
    m_bRenameAsset = getBoolean(QStringLiteral("m_bRenameAsset"), rights);
    m_bUpload = getBoolean(QStringLiteral("m_bUpload"), rights);
    m_bSeeQuota = getBoolean(QStringLiteral("m_bSeeQuota"), rights);
    m_bCanUseMyPicturesButton = getBoolean(QStringLiteral("m_bCanUseMyPicturesButton"), rights);
    m_bHavePendingFilesButton = getBoolean(QStringLiteral("m_bHavePendingFilesButton"), rights);
    return haveDetails;
}
