#include "albums/wsSoapAsyncOp.h"

#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOpDelegate.h"
#include "common/MainThread.h"
#include "diagnostics/DiagnosticLine.h"
#include "session/commsGlobals.h"
#include "session/wsCoreComms.h"

#include <QCoreApplication>

wsSoapAsyncOp::wsSoapAsyncOp()
{
    m_opQueue.setMaxThreadCount(MaxConcurrentOperations);
}

wsSoapAsyncOp::~wsSoapAsyncOp()
{
    cancelAllOperations();
    waitForDone();
}

void wsSoapAsyncOp::waitForDone()
{
    for (QThreadPool *queue : {&m_opQueue, &m_logoutQueue}) {
        if (!isMainThread()) {
            queue->waitForDone();
            continue;
        }
        while (!queue->waitForDone(5))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

asyncRequestInfoPtr wsSoapAsyncOp::requestGetFolderContentsFor(const soapRemoteBasePtr &album,
                                                               const Delegate &delegate,
                                                               const QVariant &context)
{
    auto info = asyncRequestInfo::initGetFolderContentsFor(album, delegate, context);
    add(info);
    return info;
}

asyncRequestInfoPtr wsSoapAsyncOp::requestRenameFor(const soapRemoteBasePtr &item, const QString &oldName,
                                                    const QString &newName, const Delegate &delegate,
                                                    const QVariant &context)
{
    auto info = asyncRequestInfo::initRenameItemFor(item, oldName, newName, delegate, context);
    add(info);
    return info;
}

asyncRequestInfoPtr wsSoapAsyncOp::requestDeleteFor(const QList<soapRemoteBasePtr> &items,
                                                    const Delegate &delegate, const QVariant &context)
{
    auto info = asyncRequestInfo::initDeleteItems(items, delegate, context);
    add(info);
    return info;
}

asyncRequestInfoPtr wsSoapAsyncOp::requestCreateSubFolderFor(const soapRemoteBasePtr &parent,
                                                             const QString &name, const QString &description,
                                                             const Delegate &delegate,
                                                             const QVariant &context)
{
    auto info = asyncRequestInfo::initCreateFolderFor(parent, name, description, delegate, context);
    add(info);
    return info;
}

asyncRequestInfoPtr
wsSoapAsyncOp::requestCreateSubFolderFor(const soapRemoteBasePtr &parent, const QString &name,
                                         const std::shared_ptr<createFolderTempItem> &tempFolder,
                                         const QString &description, const Delegate &delegate,
                                         const QVariant &context)
{
    auto info =
        asyncRequestInfo::initCreateFolderFor(parent, name, tempFolder, description, delegate, context);
    add(info);
    return info;
}

asyncRequestInfoPtr wsSoapAsyncOp::requestLogout(const Delegate &delegate)
{
    auto info = asyncRequestInfo::initLogoutForDelegate(delegate);
    add(info);
    return info;
}

void wsSoapAsyncOp::cancelAllOperations()
{
    QList<asyncRequestInfoPtr> dropped;
    {
        // An operation that starts from here on finds itself gone from the list and does nothing.
        const QMutexLocker lock(&m_waitingMutex);
        dropped = std::exchange(m_waiting, {});
    }
    m_opQueue.clear();
    m_logoutQueue.clear();
    for (const asyncRequestInfoPtr &info : std::as_const(dropped)) {
        VENDRA_DIAG(QStringLiteral("Dropped queued request %1").arg(info->requestTypeAsString()));
        if (const Delegate delegate = info->delegate())
            delegate->soapAsyncRequestDropped(info);
    }
}

void wsSoapAsyncOp::add(const asyncRequestInfoPtr &info)
{
    {
        const QMutexLocker lock(&m_waitingMutex);
        m_waiting.append(info);
    }
    // The sign-out (at quit the main thread waits for it) never queues behind slow listings.
    QThreadPool &queue = info->requestType() == asyncRequestInfo::Logout ? m_logoutQueue : m_opQueue;
    queue.start([this, info] { run(info); });
}

bool wsSoapAsyncOp::takeWaiting(const asyncRequestInfoPtr &info)
{
    const QMutexLocker lock(&m_waitingMutex);
    return m_waiting.removeOne(info);
}

void wsSoapAsyncOp::run(const asyncRequestInfoPtr &info)
{
    if (!takeWaiting(info))
        return;
    switch (info->requestType()) {
    case asyncRequestInfo::GetFolderContents:
        doGetFolderContents(info);
        break;
    case asyncRequestInfo::RenameItem:
        doRenameItem(info);
        break;
    case asyncRequestInfo::DeleteItem:
        doDeleteItems(info);
        break;
    case asyncRequestInfo::CreateFolder:
    case asyncRequestInfo::CreateFolderByRenameTemp:
        doCreateFolder(info);
        break;
    case asyncRequestInfo::Logout:
        doLogout(info);
        break;
    default:
        VENDRA_DIAG(info->requestTypeAsString());
        break;
    }
}

void wsSoapAsyncOp::begin(const asyncRequestInfoPtr &info)
{
    if (const Delegate delegate = info->delegate())
        delegate->soapAsyncRequestStarted(info);
}

void wsSoapAsyncOp::end(const asyncRequestInfoPtr &info)
{
    if (const Delegate delegate = info->delegate())
        delegate->soapAsyncRequestCompleted(info);
}

void wsSoapAsyncOp::doGetFolderContents(const asyncRequestInfoPtr &info)
{
    begin(info);
    if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(info->item())) {
        wsCoreComms &comms = commsGlobal->coreComms();
        Error error;
        info->setSoapBodyFolders(comms.doGetAlbumsByParentID(album->albumID(), error));
        // A failed album listing voids the asset listing too; it is not even asked for.
        if (!error)
            info->setSoapBodyFiles(comms.doGetAssetsByAlbumID(album->albumID(), error));
        info->setError(error);
        runOnMainThreadAndWait([this, info] { perfGetFolderContents(info); });
    }
    end(info);
}

void wsSoapAsyncOp::perfGetFolderContents(const asyncRequestInfoPtr &info)
{
    const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(info->item());
    album->replaceChildrenWithFolders(info->soapBodyFolders(), info->soapBodyFiles(), !info->error());
    info->setBSucceeded(true);
}

void wsSoapAsyncOp::doRenameItem(const asyncRequestInfoPtr &info)
{
    begin(info);
    wsCoreComms &comms = commsGlobal->coreComms();
    Error error;
    if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(info->item())) {
        const QVariantMap result = comms.doRenameAlbumID(album->albumID(), info->theNewName(), error);
        info->setBSucceeded(
            !error && wsCoreComms::checkRenameFolderAsset(album->albumID(), result, info->theNewName()));
        info->setError(error);
    } else if (const auto asset = std::dynamic_pointer_cast<soapRemoteFileItem>(info->item())) {
        const qint64 assetID = asset->nAssetID().toLongLong();
        const QVariantMap result = comms.doRenameAsset(assetID, info->theNewName(), error);
        info->setBSucceeded(!error && wsCoreComms::checkRenameFileAsset(assetID, result, info->theNewName()));
        info->setError(error);
    }
    end(info);
}

void wsSoapAsyncOp::doDeleteItems(const asyncRequestInfoPtr &info)
{
    const QList<soapRemoteBasePtr> items = info->items();
    for (const soapRemoteBasePtr &node : items) {
        info->setItem(node);
        doDeleteItem(info);
        info->setItem(nullptr);
    }
}

void wsSoapAsyncOp::doDeleteItem(const asyncRequestInfoPtr &info)
{
    begin(info);
    wsCoreComms &comms = commsGlobal->coreComms();
    Error error;
    bool known = true;
    if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(info->item()))
        comms.doDeleteAlbum(album->albumID(), error);
    else if (const auto asset = std::dynamic_pointer_cast<soapRemoteFileItem>(info->item()))
        comms.doDeleteAsset(asset->nAssetID().toLongLong(), error);
    else
        known = false;
    if (known) {
        info->setBSucceeded(!error);
        info->setError(error);
    }
    end(info);
}

void wsSoapAsyncOp::doCreateFolder(const asyncRequestInfoPtr &info)
{
    begin(info);
    info->setCreatedAlbum(nullptr);
    wsCoreComms &comms = commsGlobal->coreComms();
    Error error;
    QVariantMap reply;
    const auto parentRoot = std::dynamic_pointer_cast<soapRemoteFolderBrowser>(info->item());
    const auto parentAlbum = std::dynamic_pointer_cast<soapRemoteFolderItem>(info->item());
    if (parentRoot)
        reply = comms.doCreateTopLevelAlbum(info->theNewName(), info->description(), error);
    else if (parentAlbum)
        reply = comms.doCreateSubLevelAlbum(parentAlbum->albumID(), info->theNewName(), info->description(),
                                            error);

    if (error) {
        info->setError(error);
    } else if (parentRoot || parentAlbum) {
        info->setSoapBody(reply);
        runOnMainThreadAndWait([this, info, parentRoot] {
            if (parentRoot)
                perfCreateTopLevelFolder(info);
            else
                perfCreateSubLevelFolder(info);
        });
        info->setSoapBody({});
    }
    info->setBSucceeded(info->createdAlbum() != nullptr);
    end(info);
}

void wsSoapAsyncOp::perfCreateTopLevelFolder(const asyncRequestInfoPtr &info)
{
    if (const auto root = std::dynamic_pointer_cast<soapRemoteFolderBrowser>(info->item()))
        info->setCreatedAlbum(root->createNewAlbum(info->soapBody()));
}

void wsSoapAsyncOp::perfCreateSubLevelFolder(const asyncRequestInfoPtr &info)
{
    if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(info->item()))
        info->setCreatedAlbum(album->createNewAlbum(info->soapBody()));
}

void wsSoapAsyncOp::doLogout(const asyncRequestInfoPtr &info)
{
    begin(info);
    Error error;
    commsGlobal->coreComms().doLogout(error);
    info->setBSucceeded(!error);
    info->setError(error);
    VENDRA_DIAG(QStringLiteral("Logout async completed"));
    end(info);
}
