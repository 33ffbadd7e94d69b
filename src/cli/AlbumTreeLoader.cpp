#include "AlbumTreeLoader.h"

#include "albums/asyncRequestInfo.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/wsSoapAsyncOp.h"
#include "session/commsGlobals.h"

#include <QEventLoop>

bool AlbumTreeLoader::loadAll(const std::shared_ptr<soapRemoteFolderBrowser> &root, Error &error)
{
    QEventLoop loop;
    m_loop = &loop;
    // Held by one extra count until the first requests are out, so an early answer cannot end it.
    m_outstanding = 1;
    requestUnloadedAlbums(root->remoteFolders());
    finishOne();
    loop.exec();
    m_loop = nullptr;

    const QMutexLocker lock(&m_mutex);
    error = m_error;
    return !m_error;
}

void AlbumTreeLoader::requestUnloadedAlbums(const QList<RemoteTreeEntryPtr> &entries)
{
    for (const RemoteTreeEntryPtr &entry : entries) {
        const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(entry);
        if (!album)
            continue;
        if (album->bDataIsCached()) {
            requestUnloadedAlbums(album->childrenSnapshot());
            continue;
        }
        ++m_outstanding;
        commsGlobal->soapAsyncOp().requestGetFolderContentsFor(album, shared_from_this());
    }
}

void AlbumTreeLoader::soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &info)
{
    bool failed = false;
    {
        const QMutexLocker lock(&m_mutex);
        if (info->error() && !m_error)
            m_error = info->error();
        failed = bool(m_error);
    }
    const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(info->item());
    if (!failed && album)
        requestUnloadedAlbums(album->childrenSnapshot());
    finishOne();
}

void AlbumTreeLoader::finishOne()
{
    if (--m_outstanding == 0)
        QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
}
