#pragma once

#include "albums/soapRemoteContainer.h"

class createFolderTempItem;

// The root of the album tree: the top-level albums, plus the placeholder of a top-level album being
// named. Its path is empty and it is registered under ID 0.
class soapRemoteFolderBrowser : public soapRemoteContainer
{
public:
    // Adds the albums of "arrTopAlbums" without emptying the list first; false when the reply lacks
    // the key.
    bool deserialise(const QVariantMap &reply) override;

    QList<RemoteTreeEntryPtr> remoteFolders() const { return childrenSnapshot(); }
    qsizetype numberOfRootItems() const { return childCount(); }
    // Out of range writes a diagnostic line and gives no entry.
    RemoteTreeEntryPtr getRootItemForIndex(qsizetype index) const;

    void addTempChild(const std::shared_ptr<createFolderTempItem> &placeholder);
    // Sets bPending false on every loaded asset.
    void clearPendingFilesFlags();
    static void clearPendingFilesFlagsWithItem(const RemoteTreeEntryPtr &item);
    void clear();

protected:
    QString containerName() const override { return QStringLiteral("soapRemoteFolderBrowser"); }
};

using soapRemoteFolderBrowserPtr = std::shared_ptr<soapRemoteFolderBrowser>;
