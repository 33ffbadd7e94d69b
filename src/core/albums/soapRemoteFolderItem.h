#pragma once

#include "albums/RemoteAlbumRegistry.h"
#include "albums/soapRemoteContainer.h"

class createFolderTempItem;
class soapRemoteFileItem;

// An album of the server's tree. Its contents are loaded lazily and replaced as a whole.
class soapRemoteFolderItem : public soapRemoteContainer
{
public:
    // Reads the album's fields, derives its path from the parent registered under its parent ID,
    // and registers it. False, and nothing is registered, when the album has no ID or its parent is
    // not registered: it then has no path that would name it.
    bool deserialise(const QVariantMap &album) override;

    bool bCanCreateUnder() const { return m_bCanCreateUnder; }
    bool bCanDelete() const { return m_bCanDelete; }
    bool bCanRename() const { return m_bCanRename; }
    bool bHasChildren() const;
    bool bPending() const { return m_bPending; }
    QVariant nAlbumID() const { return m_nAlbumID; }
    QVariant nParentID() const { return m_nParentID; }
    // The server names 0 as the parent of a top-level album (the root is registered under 0), so
    // 0 means top level too; otherwise the top-level rights would never be consulted.
    bool bIsTopLevel() const { return !m_nParentID.isValid() || m_nParentID.toLongLong() == 0; }
    // The ID as an integer; fixed once decoded, so it is read without the lock.
    qint64 albumID() const { return m_nAlbumID.toLongLong(); }
    QString strDescription() const { return m_strDescription; }
    QString strName() const;
    void setStrName(const QString &name);

    // True when the contents need not be fetched: the server says it has none, or they are loaded.
    bool bDataIsCached() const;
    // Whether a listing was applied completely since the contents were last dropped. An album that
    // the server says has contents but lists empty is then known to be empty, not still to load.
    bool bContentsLoaded() const;
    // bDataIsCached, or a listing came in: opening the album needs no fetch.
    bool contentsKnown() const;

    qsizetype numberOfChildren() const { return childCount(); }
    // Out of range writes a diagnostic line and gives no entry.
    RemoteTreeEntryPtr getChildAtIndex(qsizetype index) const;

    void addChildFolders(const QVariantMap &reply);
    void addChildFiles(const QVariantMap &reply);
    // Main thread only. Drops the loaded contents (the album stays registered) and loads the two
    // listings; a missing listing adds nothing. bHasChildren keeps the server's value. complete says
    // whether both listings arrived (it sets bContentsLoaded).
    void replaceChildrenWithFolders(const QVariantMap &foldersReply, const QVariantMap &filesReply,
                                    bool complete = true);
    // Unregisters every album below, and this one too when unregister is set, then empties children.
    void releaseFolderContents(bool unregister);

    void addTempChild(const std::shared_ptr<createFolderTempItem> &placeholder);
    void addUloadedFile(const std::shared_ptr<soapRemoteFileItem> &asset);

    // Enters itself under its path, then the albums below.
    void debugAddValidationDictionary(RemoteAlbumRegistry::Map &dictionary) const;

protected:
    QString containerName() const override { return QStringLiteral("soapRemoteFolderItem"); }
    void childrenChanged() override;

private:
    void releaseSubtree(bool unregister);

    bool m_bCanCreateUnder = false;
    bool m_bCanDelete = false;
    bool m_bCanRename = false;
    bool m_bHasChildren = false;
    bool m_bPending = false;
    QVariant m_nAlbumID;
    QVariant m_nParentID;
    QString m_strDescription;
    QString m_strName;
    bool m_bContentsLoaded = false;
};

using soapRemoteFolderItemPtr = std::shared_ptr<soapRemoteFolderItem>;
