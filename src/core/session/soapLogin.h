#pragma once

#include "session/soapResultsBase.h"

// The user and the rights granted at sign-in ("objUserDetails", "objUserPermissions").
class soapLogin : public soapResultsBase
{
public:
    // Overwrites every field (none or false where entries are missing); true when the reply holds
    // "objUserDetails".
    bool deserialise(const QVariantMap &result);

    // The user details as received, unconverted.
    QVariant strUserID() const { return m_strUserID; }
    QVariant strUserName() const { return m_strUserName; }
    QVariant strDescription() const { return m_strDescription; }
    QVariant strEmail() const { return m_strEmail; }

    bool bCreateTopLevelAlbum() const { return m_bCreateTopLevelAlbum; }
    bool bCreateSubAlbum() const { return m_bCreateSubAlbum; }
    bool bRenameTopLevelAlbum() const { return m_bRenameTopLevelAlbum; }
    bool bRenameSubAlbum() const { return m_bRenameSubAlbum; }
    bool bDeleteTopLevelAlbum() const { return m_bDeleteTopLevelAlbum; }
    bool bDeleteSubAlbum() const { return m_bDeleteSubAlbum; }
    bool bDeleteAsset() const { return m_bDeleteAsset; }
    bool bRenameAsset() const { return m_bRenameAsset; }
    bool bUpload() const { return m_bUpload; }
    bool bSeeQuota() const { return m_bSeeQuota; }
    bool bCanUseMyPicturesButton() const { return m_bCanUseMyPicturesButton; }
    bool bHavePendingFilesButton() const { return m_bHavePendingFilesButton; }

private:
    QVariant m_strUserID;
    QVariant m_strUserName;
    QVariant m_strDescription;
    QVariant m_strEmail;
    bool m_bCreateTopLevelAlbum = false;
    bool m_bCreateSubAlbum = false;
    bool m_bRenameTopLevelAlbum = false;
    bool m_bRenameSubAlbum = false;
    bool m_bDeleteTopLevelAlbum = false;
    bool m_bDeleteSubAlbum = false;
    bool m_bDeleteAsset = false;
    bool m_bRenameAsset = false;
    bool m_bUpload = false;
    bool m_bSeeQuota = false;
    bool m_bCanUseMyPicturesButton = false;
    bool m_bHavePendingFilesButton = false;
};
