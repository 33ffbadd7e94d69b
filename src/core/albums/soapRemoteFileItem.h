#pragma once

#include "albums/soapRemoteBase.h"

// An asset of an album. Assets are never registered.
class soapRemoteFileItem : public soapRemoteBase
{
public:
    // From a listing entry ("m_" keys); the path is that of the album registered under nAlbumID
    // joined with the file name, empty when no such album is registered.
    bool deserialise(const QVariantMap &asset) override;

    // From the reply of a file upload (lower-case keys): may be renamed and deleted, no path.
    static std::shared_ptr<soapRemoteFileItem> initWithUploadDictionary(const QVariantMap &upload);

    bool bCanDelete() const { return m_bCanDelete; }
    bool bCanRename() const { return m_bCanRename; }
    bool bPending() const { return m_bPending; }
    QVariant nAlbumID() const { return m_nAlbumID; }
    QVariant nAssetID() const { return m_nAssetID; }
    QVariant nAssetType() const { return m_nAssetType; }
    QVariant nFilesize() const { return m_nFilesize; }
    QString strFilename() const { return m_strFilename; }

    void setBCanDelete(bool value) { m_bCanDelete = value; }
    void setBCanRename(bool value) { m_bCanRename = value; }
    void setBPending(bool value) { m_bPending = value; }
    void setNAlbumID(const QVariant &value) { m_nAlbumID = value; }
    void setNAssetID(const QVariant &value) { m_nAssetID = value; }
    void setNAssetType(const QVariant &value) { m_nAssetType = value; }
    void setNFilesize(const QVariant &value) { m_nFilesize = value; }
    void setStrFilename(const QString &value) { m_strFilename = value; }

private:
    bool m_bCanDelete = false;
    bool m_bCanRename = false;
    bool m_bPending = false;
    QVariant m_nAlbumID;
    QVariant m_nAssetID;
    QVariant m_nAssetType;
    QVariant m_nFilesize;
    QString m_strFilename;
};

using soapRemoteFileItemPtr = std::shared_ptr<soapRemoteFileItem>;
