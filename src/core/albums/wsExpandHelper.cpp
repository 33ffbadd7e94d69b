#include "albums/wsExpandHelper.h"

#include "albums/expandItems.h"
#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "common/MainThread.h"
#include "diagnostics/DiagnosticLine.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"
#include "session/wsCoreComms.h"

#include <QCoreApplication>

wsExpandHelper::wsExpandHelper(QObject *parent) : QObject(parent)
{}

wsExpandHelper::~wsExpandHelper()
{
    m_opQueue.clear();
    waitForDone();
}

void wsExpandHelper::waitForDone()
{
    if (!isMainThread()) {
        m_opQueue.waitForDone();
        return;
    }
    // The worker borrows the main thread for every reply: a plain wait here would never end.
    while (!m_opQueue.waitForDone(5))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void wsExpandHelper::getExpandedItems(const IsExpanded &isExpanded, const RemoteTreeEntryPtr &node,
                                      QStringList &paths)
{
    const auto container = std::dynamic_pointer_cast<soapRemoteContainer>(node);
    if (!container || !isExpanded(node.get()))
        return;
    if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(node))
        paths.append(album->fullRemotePath());
    for (const RemoteTreeEntryPtr &child : container->childrenSnapshot())
        getExpandedItems(isExpanded, child, paths);
}

void wsExpandHelper::expandFolders(const QStringList &paths, remoteFileBrowserHelper *view)
{
    auto request = std::make_shared<expandItems>(paths, view);
    m_opQueue.start([this, request] { doExpandOps(*request); });
}

void wsExpandHelper::doExpandOps(expandItems &request)
{
    while (request.hasNextFolderPath()) {
        const QString path = request.getNextFolderPath();
        // Deleted or moved on the server, or under an album that did not open again: skipped.
        const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(
            commsGlobal->registry().findRemoteAlbumByName(path));
        if (!album) {
            VENDRA_DIAG(QStringLiteral("Not reopening <%1>: no such album any more").arg(path));
            continue;
        }
        request.currentItem = album;
        wsCoreComms &comms = commsGlobal->coreComms();
        Error error;
        request.soapRemoteFolders = comms.doGetAlbumsByParentID(album->albumID(), error);
        if (!error)
            request.soapRemoteFiles = comms.doGetAssetsByAlbumID(album->albumID(), error);
        else
            request.soapRemoteFiles.clear();
        request.listingComplete = !error;
        runOnMainThreadAndWait([&request] { perfGetFolderContents(request); });
        runOnMainThreadAndWait([&request] { perfExpandItem(request); });
        request.currentItem.reset();
    }
    NotificationCenter::defaultCenter().postNotificationName(NotificationNames::ExpandEventCompleted,
                                                             QVariant::fromValue<QObject *>(this));
}

void wsExpandHelper::perfGetFolderContents(expandItems &request)
{
    request.currentItem->replaceChildrenWithFolders(request.soapRemoteFolders, request.soapRemoteFiles,
                                                    request.listingComplete);
}

void wsExpandHelper::perfExpandItem(expandItems &request)
{
    if (request.outlineView)
        request.outlineView->expandItem(request.currentItem);
}
