#include "albums/soapRemoteFolderItem.h"

#include "albums/RemotePath.h"
#include "albums/ReplyList.h"
#include "albums/createFolderTempItem.h"
#include "albums/soapRemoteFileItem.h"
#include "common/MainThread.h"
#include "diagnostics/DiagnosticLine.h"
#include "session/commsGlobals.h"

bool soapRemoteFolderItem::deserialise(const QVariantMap &album)
{
    {
        const QMutexLocker lock(&m_lock);
        m_bCanCreateUnder = getBoolean(QStringLiteral("m_bCanCreateUnder"), album);
        m_bCanDelete = getBoolean(QStringLiteral("m_bCanDelete"), album);
        m_bCanRename = getBoolean(QStringLiteral("m_bCanRename"), album);
        m_bHasChildren = getBoolean(QStringLiteral("m_bHasChildren"), album);
        m_bPending = getBoolean(QStringLiteral("m_bPending"), album);
        m_nAlbumID = getNumber(QStringLiteral("m_nAlbumID"), album);
        m_nParentID = getNumber(QStringLiteral("m_nParentID"), album);
        m_strDescription = getString(QStringLiteral("m_strDescription"), album);
        m_strName = getString(QStringLiteral("m_strName"), album);
    }

    RemoteAlbumRegistry &registry = commsGlobal->registry();
    const soapRemoteBasePtr parent =
        m_nParentID.isValid() ? registry.findRemoteAlbumByID(m_nParentID.toLongLong()) : soapRemoteBasePtr();
    if (!m_nAlbumID.isValid() || !parent) {
        VENDRA_DIAG(QStringLiteral("Album <%1> left out: no ID or no known parent album").arg(m_strName));
        return false;
    }
    const QString path = RemotePath::join(parent->fullRemotePath(), m_strName);
    setFullRemotePath(path);
    registry.addRemoteAlbumNamed(path, albumID(), shared_from_this());
    return true;
}

bool soapRemoteFolderItem::bHasChildren() const
{
    const QMutexLocker lock(&m_lock);
    return m_bHasChildren;
}

QString soapRemoteFolderItem::strName() const
{
    const QMutexLocker lock(&m_lock);
    return m_strName;
}

void soapRemoteFolderItem::setStrName(const QString &name)
{
    const QMutexLocker lock(&m_lock);
    m_strName = name;
}

bool soapRemoteFolderItem::bDataIsCached() const
{
    const QMutexLocker lock(&m_lock);
    return !m_bHasChildren || !m_children.isEmpty();
}

bool soapRemoteFolderItem::bContentsLoaded() const
{
    const QMutexLocker lock(&m_lock);
    return m_bContentsLoaded;
}

bool soapRemoteFolderItem::contentsKnown() const
{
    const QMutexLocker lock(&m_lock);
    return m_bContentsLoaded || !m_bHasChildren || !m_children.isEmpty();
}

RemoteTreeEntryPtr soapRemoteFolderItem::getChildAtIndex(qsizetype index) const
{
    const RemoteTreeEntryPtr child = childAtIndex(index);
    if (!child)
        VENDRA_DIAG(QStringLiteral("ERROR: asked for child %1 of %2").arg(index).arg(childCount()));
    return child;
}

void soapRemoteFolderItem::addChildFolders(const QVariantMap &reply)
{
    appendAlbumsFrom(reply, QStringLiteral("arrAlbums"));
}

void soapRemoteFolderItem::addChildFiles(const QVariantMap &reply)
{
    const QList<QVariantMap> entries = replyListEntries(reply, QStringLiteral("arrAssets"));
    QList<RemoteTreeEntryPtr> assets;
    assets.reserve(entries.size());
    for (const QVariantMap &entry : entries) {
        auto asset = std::make_shared<soapRemoteFileItem>();
        asset->deserialise(entry);
        assets.append(asset);
    }
    appendChildren(assets);
}

void soapRemoteFolderItem::replaceChildrenWithFolders(const QVariantMap &foldersReply,
                                                      const QVariantMap &filesReply, bool complete)
{
    if (!isMainThread())
        VENDRA_DIAG(
            QStringLiteral("Unexpectedly not performing replaceChildrenWithFolders on non-main thread"));
    beginReplaceChildren();
    {
        const QMutexLocker lock(&m_lock);
        releaseSubtree(false);
        addChildFolders(foldersReply);
        addChildFiles(filesReply);
        m_bContentsLoaded = complete;
    }
    endReplaceChildren();
}

void soapRemoteFolderItem::releaseFolderContents(bool unregister)
{
    beginReplaceChildren();
    releaseSubtree(unregister);
    endReplaceChildren();
}

// The albums below go with this list, so only this album's observers are told.
void soapRemoteFolderItem::releaseSubtree(bool unregister)
{
    const QMutexLocker lock(&m_lock);
    if (unregister)
        commsGlobal->registry().deleteRemoteAlbumNamed(fullRemotePath());
    for (const RemoteTreeEntryPtr &entry : std::as_const(m_children)) {
        if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(entry))
            album->releaseSubtree(true);
    }
    dropChildrenLocked();
    m_bContentsLoaded = false;
}

void soapRemoteFolderItem::addTempChild(const std::shared_ptr<createFolderTempItem> &placeholder)
{
    appendChild(placeholder);
}

void soapRemoteFolderItem::addUloadedFile(const std::shared_ptr<soapRemoteFileItem> &asset)
{
    appendChild(asset);
}

void soapRemoteFolderItem::childrenChanged()
{
    // A whole replacement keeps what the server said; single additions and removals decide it.
    if (!isReplacingChildren())
        m_bHasChildren = !m_children.isEmpty();
}

void soapRemoteFolderItem::debugAddValidationDictionary(RemoteAlbumRegistry::Map &dictionary) const
{
    dictionary.insert(fullRemotePath(), std::const_pointer_cast<soapRemoteBase>(shared_from_this()));
    for (const RemoteTreeEntryPtr &entry : childrenSnapshot()) {
        if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(entry))
            album->debugAddValidationDictionary(dictionary);
    }
}
