#include "albums/soapRemoteContainer.h"

#include "albums/RemoteTreeObserver.h"
#include "albums/ReplyList.h"
#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderItem.h"
#include "diagnostics/DiagnosticLine.h"

soapRemoteContainer::soapRemoteContainer()
{
    m_children.reserve(20);
}

QList<RemoteTreeEntryPtr> soapRemoteContainer::childrenSnapshot() const
{
    const QMutexLocker lock(&m_lock);
    return m_children;
}

qsizetype soapRemoteContainer::childCount() const
{
    const QMutexLocker lock(&m_lock);
    return m_children.size();
}

qsizetype soapRemoteContainer::rowOfChild(const RemoteTreeEntry *child) const
{
    const QMutexLocker lock(&m_lock);
    for (qsizetype row = 0; row < m_children.size(); ++row) {
        if (m_children.at(row).get() == child)
            return row;
    }
    return -1;
}

RemoteTreeEntryPtr soapRemoteContainer::childAtIndex(qsizetype index) const
{
    const QMutexLocker lock(&m_lock);
    if (index < 0 || index >= m_children.size())
        return {};
    return m_children.at(index);
}

void soapRemoteContainer::adopt(const RemoteTreeEntryPtr &child)
{
    child->m_parent = std::static_pointer_cast<soapRemoteContainer>(weak_from_this().lock());
    m_children.append(child);
}

void soapRemoteContainer::appendChild(const RemoteTreeEntryPtr &child)
{
    appendChildren({child});
}

void soapRemoteContainer::appendChildren(const QList<RemoteTreeEntryPtr> &children)
{
    if (children.isEmpty())
        return;
    const bool notify = !isReplacingChildren();
    const RemoteTreeChange change{RemoteTreeChange::Insert, childCount(), children.size()};
    if (notify)
        RemoteTreeObserver::notifyAboutToChange(this, change);
    {
        const QMutexLocker lock(&m_lock);
        for (const RemoteTreeEntryPtr &child : children)
            adopt(child);
        childrenChanged();
    }
    if (notify)
        RemoteTreeObserver::notifyChanged(this, change);
}

void soapRemoteContainer::beginReplaceChildren()
{
    if (m_replaceDepth++ == 0)
        RemoteTreeObserver::notifyAboutToChange(this, {RemoteTreeChange::Replace, 0, 0});
}

void soapRemoteContainer::endReplaceChildren()
{
    if (--m_replaceDepth == 0)
        RemoteTreeObserver::notifyChanged(this, {RemoteTreeChange::Replace, 0, childCount()});
}

void soapRemoteContainer::dropChildrenLocked()
{
    for (const RemoteTreeEntryPtr &child : std::as_const(m_children))
        child->m_parent.reset();
    m_children.clear();
}

std::shared_ptr<soapRemoteFolderItem> soapRemoteContainer::createNewAlbum(const QVariantMap &reply)
{
    auto album = std::make_shared<soapRemoteFolderItem>();
    if (!album->deserialise(reply.value(QStringLiteral("objAlbumSummary")).toMap()))
        return {};
    appendChild(album);
    return album;
}

void soapRemoteContainer::appendAlbumsFrom(const QVariantMap &reply, const QString &key)
{
    const QList<QVariantMap> entries = replyListEntries(reply, key);
    QList<RemoteTreeEntryPtr> albums;
    albums.reserve(entries.size());
    for (const QVariantMap &entry : entries) {
        auto album = std::make_shared<soapRemoteFolderItem>();
        if (album->deserialise(entry))
            albums.append(album);
    }
    appendChildren(albums);
}

bool soapRemoteContainer::removeChild(const RemoteTreeEntryPtr &node)
{
    const qsizetype index = node ? rowOfChild(node.get()) : -1;
    if (index < 0) {
        VENDRA_DIAG(QStringLiteral("Attempt to remove non existant child from %1").arg(containerName()));
        return false;
    }
    const RemoteTreeChange change{RemoteTreeChange::Remove, index, 1};
    RemoteTreeObserver::notifyAboutToChange(this, change);
    {
        const QMutexLocker lock(&m_lock);
        m_children.removeAt(index);
        node->m_parent.reset();
        childrenChanged();
    }
    RemoteTreeObserver::notifyChanged(this, change);
    return true;
}

bool soapRemoteContainer::removeAsset(qint64 assetID)
{
    RemoteTreeEntryPtr found;
    {
        const QMutexLocker lock(&m_lock);
        for (const RemoteTreeEntryPtr &entry : std::as_const(m_children)) {
            const auto asset = std::dynamic_pointer_cast<soapRemoteFileItem>(entry);
            if (asset && asset->nAssetID().isValid() && asset->nAssetID().toLongLong() == assetID) {
                found = entry;
                break;
            }
        }
    }
    if (!found) {
        VENDRA_DIAG(QStringLiteral("Attempt to remove non existant child from %1").arg(containerName()));
        return false;
    }
    return removeChild(found);
}
