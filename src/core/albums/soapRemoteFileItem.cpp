#include "albums/soapRemoteFileItem.h"

#include "albums/RemotePath.h"
#include "session/commsGlobals.h"

bool soapRemoteFileItem::deserialise(const QVariantMap &asset)
{
    m_bCanDelete = getBoolean(QStringLiteral("m_bCanDelete"), asset);
    m_bCanRename = getBoolean(QStringLiteral("m_bCanRename"), asset);
    m_bPending = getBoolean(QStringLiteral("m_bPending"), asset);
    m_nAlbumID = getNumber(QStringLiteral("m_nAlbumID"), asset);
    m_nAssetID = getNumber(QStringLiteral("m_nAssetID"), asset);
    m_nAssetType = getNumber(QStringLiteral("m_nAssetType"), asset);
    m_nFilesize = getNumber(QStringLiteral("m_nFilesize"), asset);
    m_strFilename = getString(QStringLiteral("m_strFilename"), asset);

    const soapRemoteBasePtr album =
        m_nAlbumID.isValid() ? commsGlobal->registry().findRemoteAlbumByID(m_nAlbumID.toLongLong()) : nullptr;
    setFullRemotePath(album ? RemotePath::join(album->fullRemotePath(), m_strFilename) : QString());
    return true;
}

std::shared_ptr<soapRemoteFileItem> soapRemoteFileItem::initWithUploadDictionary(const QVariantMap &upload)
{
    auto asset = std::make_shared<soapRemoteFileItem>();
    asset->m_bCanDelete = true;
    asset->m_bCanRename = true;
    asset->m_bPending = getBoolean(QStringLiteral("pending"), upload);
    asset->m_nAlbumID = getNumber(QStringLiteral("albumid"), upload);
    asset->m_nAssetID = getNumber(QStringLiteral("assetid"), upload);
    asset->m_nAssetType = getNumber(QStringLiteral("assettype"), upload);
    asset->m_nFilesize = getNumber(QStringLiteral("filesize"), upload);
    asset->m_strFilename = getString(QStringLiteral("filename"), upload);
    return asset;
}
