#include "albums/soapRemoteContainer.h"

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

RemoteTreeEntryPtr soapRemoteContainer::childAtIndex(qsizetype index) const
{
    const QMutexLocker lock(&m_lock);
    if (index < 0 || index >= m_children.size())
        return {};
    return m_children.at(index);
}

void soapRemoteContainer::appendChild(const RemoteTreeEntryPtr &child)
{
    const QMutexLocker lock(&m_lock);
    m_children.append(child);
    childrenChanged();
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
    for (const QVariantMap &entry : entries) {
        auto album = std::make_shared<soapRemoteFolderItem>();
        if (album->deserialise(entry))
            appendChild(album);
    }
}

bool soapRemoteContainer::removeChild(const RemoteTreeEntryPtr &node)
{
    const QMutexLocker lock(&m_lock);
    const qsizetype index = m_children.indexOf(node);
    if (!node || index < 0) {
        VENDRA_DIAG(QStringLiteral("Attempt to remove non existant child from %1").arg(containerName()));
        return false;
    }
    m_children.removeAt(index);
    childrenChanged();
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
