#pragma once

#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOpDelegate.h"
#include "common/Error.h"

#include <QMutex>

#include <atomic>

class QEventLoop;
class soapRemoteFolderBrowser;

// Opens every album of the tree, level by level, through the album queue: each album whose
// contents are not loaded is fetched, and the albums found in it next. Fetches run in parallel.
class AlbumTreeLoader : public wsSoapAsyncOpDelegate, public std::enable_shared_from_this<AlbumTreeLoader>
{
public:
    // Returns when every level is loaded, or after the first failure with its error.
    bool loadAll(const std::shared_ptr<soapRemoteFolderBrowser> &root, Error &error);

    void soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &info) override;

private:
    void requestUnloadedAlbums(const QList<RemoteTreeEntryPtr> &entries);
    void finishOne();

    std::atomic<int> m_outstanding = 0;
    QMutex m_mutex;
    Error m_error;
    QEventLoop *m_loop = nullptr;
};
