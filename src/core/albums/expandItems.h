#pragma once

#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <memory>

class remoteFileBrowserHelper;
class soapRemoteFolderItem;

// One re-expansion job: the albums still to open, by full remote path, parents before their
// descendants, and the album being opened now with its two listings.
class expandItems
{
public:
    expandItems(const QStringList &folders, remoteFileBrowserHelper *outlineView);

    // Takes the first path off the list; the empty string once none is left.
    QString getNextFolderPath();
    bool hasNextFolderPath() const { return !m_folderPaths.isEmpty(); }

    QPointer<remoteFileBrowserHelper> outlineView;
    std::shared_ptr<soapRemoteFolderItem> currentItem;
    QVariantMap soapRemoteFolders;
    QVariantMap soapRemoteFiles;
    bool listingComplete = false;

private:
    QStringList m_folderPaths;
};
