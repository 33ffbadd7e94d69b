#include "upload/UploadCreateFolder.h"

#include "albums/RemotePath.h"
#include "albums/asyncRequestInfo.h"
#include "albums/wsSoapAsyncOp.h"
#include "common/MessageText.h"
#include "session/commsGlobals.h"
#include "upload/UploadDelegate.h"

UploadCreateFolder::UploadCreateFolder(const UploadStatusPtr &status, UploadDelegate *delegate)
    : m_newFolderName(status->remoteFolderCreateName()), m_parentFolderName(status->remoteFolderParentName()),
      m_delegate(delegate), m_uploadStatus(status)
{
    m_uploadStatus->setStatus(UploadStatusWaiting, QStringLiteral("CreateFolder"), false);
}

void UploadCreateFolder::start()
{
    RemoteAlbumRegistry &registry = commsGlobal->registry();
    const QString fullPath = RemotePath::join(m_parentFolderName, m_newFolderName);
    if (registry.findRemoteAlbumByName(fullPath)) {
        m_uploadStatus->setStatus(UploadStatusEnd, QStringLiteral("CreateFolderStart"), false,
                                  messageText(QStringLiteral("Text_AlbumExists")));
        m_bSucceeded = true;
        m_isFinished = true;
        sendStatusCallback();
        return;
    }
    if (const soapRemoteBasePtr parent = registry.findRemoteAlbumByName(m_parentFolderName)) {
        commsGlobal->soapAsyncOp().requestCreateSubFolderFor(parent, m_newFolderName, QString(),
                                                             shared_from_this());
        return;
    }
    m_uploadStatus->setStatus(UploadStatusFailed, QStringLiteral("CreateFolderStart"), true,
                              messageText(QStringLiteral("Text_ParentMissing")));
    m_bSucceeded = false;
    m_isFinished = true;
    sendStatusCallback();
}

void UploadCreateFolder::soapAsyncRequestStarted(const std::shared_ptr<asyncRequestInfo> &)
{
    m_bSucceeded = false;
    m_isFinished = false;
    m_uploadStatus->setStatus(UploadStatusStart, QStringLiteral("CreateFolderAsyncRequest"), false,
                              messageText(QStringLiteral("Text_FailedCreateAlbum")));
    sendStatusCallback();
}

void UploadCreateFolder::soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &request)
{
    const bool succeeded = request->bSucceeded();
    m_bSucceeded = succeeded;
    m_uploadStatus->setStatus(UploadStatusEnd, QStringLiteral("CreateFolderAsyncRequestCompleted"),
                              !succeeded,
                              succeeded ? QString() : messageText(QStringLiteral("Text_FailedCreateAlbum")));
    m_isFinished = true;
    sendStatusCallback();
}

void UploadCreateFolder::soapAsyncRequestDropped(const std::shared_ptr<asyncRequestInfo> &)
{
    m_bSucceeded = false;
    m_uploadStatus->setStatus(UploadStatusFailed, QStringLiteral("CreateFolderAsyncRequestDropped"), true,
                              messageText(QStringLiteral("Text_FailedCreateAlbum")));
    m_isFinished = true;
    sendStatusCallback();
}

void UploadCreateFolder::sendStatusCallback()
{
    if (m_delegate)
        m_delegate->uploadStatusUpdate(m_uploadStatus);
}
