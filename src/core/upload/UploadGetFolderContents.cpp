#include "upload/UploadGetFolderContents.h"

#include "albums/asyncRequestInfo.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOp.h"
#include "common/MessageText.h"
#include "diagnostics/DiagnosticLine.h"
#include "session/commsGlobals.h"
#include "upload/UploadDelegate.h"

UploadGetFolderContents::UploadGetFolderContents(const UploadStatusPtr &status, UploadDelegate *delegate)
    : m_getFolderContentsFullPath(status->getRemoteFolderContentsFullPath()), m_delegate(delegate),
      m_uploadStatus(status)
{
    VENDRA_DIAG(QStringLiteral("initGetFolderContents for <%1>").arg(m_getFolderContentsFullPath));
    m_uploadStatus->setStatus(UploadStatusWaiting, QStringLiteral("GetFolderContents"), false);
}

void UploadGetFolderContents::start()
{
    m_isStarted = false;
    const soapRemoteBasePtr node = commsGlobal->registry().findRemoteAlbumByName(m_getFolderContentsFullPath);
    if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(node)) {
        if (album->hasPendingAsyncOp()) {
            VENDRA_DIAG(QStringLiteral(
                            "***** UploadQueue: getFolderContents - simultaneous async ops for <%1> pausing")
                            .arg(album->fullRemotePath()));
            return;
        }
        m_isStarted = true;
        if (album->bDataIsCached()) {
            finishAtOnce();
            return;
        }
        m_bSucceeded = true;
        m_isFinished = false;
        commsGlobal->soapAsyncOp().requestGetFolderContentsFor(album, shared_from_this());
        return;
    }
    // An unknown path or the root: there is nothing to load.
    if (!node || std::dynamic_pointer_cast<soapRemoteFolderBrowser>(node)) {
        m_isStarted = true;
        finishAtOnce();
    }
}

void UploadGetFolderContents::finishAtOnce()
{
    m_uploadStatus->setStatus(UploadStatusEnd, QStringLiteral("GetFolderContentsStart"), false);
    m_bSucceeded = true;
    m_isFinished = true;
    sendStatusCallback();
}

void UploadGetFolderContents::retryStartIfRequired()
{
    if (!m_isStarted)
        start();
}

void UploadGetFolderContents::soapAsyncRequestStarted(const std::shared_ptr<asyncRequestInfo> &)
{
    m_bSucceeded = false;
    m_isFinished = false;
    m_uploadStatus->setStatus(UploadStatusStart, QStringLiteral("GetFolderContentsAsyncRequest"), false);
    sendStatusCallback();
}

void UploadGetFolderContents::soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &request)
{
    // A listing that failed leaves the album looking emptier than it is; albums created into it on
    // that belief could be doubles, so the failure must show.
    const bool succeeded = request->bSucceeded() && !request->error().isSet();
    m_bSucceeded = succeeded;
    m_uploadStatus->setStatus(UploadStatusEnd, QStringLiteral("GetFolderContentsAsyncRequestCompleted"),
                              !succeeded,
                              succeeded ? QString() : messageText(QStringLiteral("Text_FailedCreateAlbum")));
    m_isFinished = true;
    sendStatusCallback();
}

void UploadGetFolderContents::soapAsyncRequestDropped(const std::shared_ptr<asyncRequestInfo> &)
{
    m_bSucceeded = false;
    m_uploadStatus->setStatus(UploadStatusFailed, QStringLiteral("GetFolderContentsAsyncRequestDropped"),
                              true, messageText(QStringLiteral("Text_FailedCreateAlbum")));
    m_isFinished = true;
    sendStatusCallback();
}

void UploadGetFolderContents::sendStatusCallback()
{
    if (m_delegate)
        m_delegate->uploadStatusUpdate(m_uploadStatus);
}
