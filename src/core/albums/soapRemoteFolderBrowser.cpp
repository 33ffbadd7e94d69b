#include "albums/soapRemoteFolderBrowser.h"

#include "albums/createFolderTempItem.h"
#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderItem.h"
#include "diagnostics/DiagnosticLine.h"

bool soapRemoteFolderBrowser::deserialise(const QVariantMap &reply)
{
    if (!reply.contains(QStringLiteral("arrTopAlbums")))
        return false;
    appendAlbumsFrom(reply, QStringLiteral("arrTopAlbums"));
    return true;
}

RemoteTreeEntryPtr soapRemoteFolderBrowser::getRootItemForIndex(qsizetype index) const
{
    const RemoteTreeEntryPtr item = childAtIndex(index);
    if (!item)
        VENDRA_DIAG(QStringLiteral("Unexpected child asked for"));
    return item;
}

void soapRemoteFolderBrowser::addTempChild(const std::shared_ptr<createFolderTempItem> &placeholder)
{
    appendChild(placeholder);
}

void soapRemoteFolderBrowser::clearPendingFilesFlags()
{
    for (const RemoteTreeEntryPtr &entry : childrenSnapshot())
        clearPendingFilesFlagsWithItem(entry);
}

void soapRemoteFolderBrowser::clearPendingFilesFlagsWithItem(const RemoteTreeEntryPtr &item)
{
    if (const auto asset = std::dynamic_pointer_cast<soapRemoteFileItem>(item)) {
        asset->setBPending(false);
    } else if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(item)) {
        for (const RemoteTreeEntryPtr &child : album->childrenSnapshot())
            clearPendingFilesFlagsWithItem(child);
    }
}

void soapRemoteFolderBrowser::clear()
{
    beginReplaceChildren();
    {
        const QMutexLocker lock(&m_lock);
        dropChildrenLocked();
    }
    endReplaceChildren();
}
