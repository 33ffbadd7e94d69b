#include "AlbumPathResolver.h"

#include "albums/RemotePath.h"
#include "albums/asyncRequestInfo.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOp.h"
#include "common/MessageText.h"
#include "session/commsGlobals.h"

#include <QEventLoop>

soapRemoteBasePtr AlbumPathResolver::resolve(const QString &path, Error &error)
{
    RemoteAlbumRegistry &registry = commsGlobal->registry();
    QString reached;
    soapRemoteBasePtr node = registry.findRemoteAlbumByName(reached);
    const QStringList names = path.split(u'/', Qt::SkipEmptyParts);
    for (const QString &name : names) {
        const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(node);
        if (album && !album->bDataIsCached() && !loadContents(album, error))
            return {};
        reached = RemotePath::join(reached, name);
        node = registry.findRemoteAlbumByName(reached);
        if (!node) {
            error = Error(QStringLiteral("vendra-cli"), 2,
                          messageText(QStringLiteral("Text_CliNoSuchAlbum")).arg(reached));
            return {};
        }
    }
    return node;
}

bool AlbumPathResolver::loadContents(const soapRemoteBasePtr &album, Error &error)
{
    QEventLoop loop;
    m_loop = &loop;
    m_error.clear();
    commsGlobal->soapAsyncOp().requestGetFolderContentsFor(album, shared_from_this());
    loop.exec();
    m_loop = nullptr;
    if (m_error) {
        error = m_error;
        return false;
    }
    return true;
}

// On the album queue's worker: the tree has been changed already; wake the waiting loop.
void AlbumPathResolver::soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &info)
{
    m_error = info->error();
    QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
}
