#pragma once

#include "albums/wsSoapAsyncOpDelegate.h"
#include "upload/UploadStatus.h"

#include <atomic>

class UploadDelegate;

// The queue's contents step: makes sure an album's contents are loaded before anything is created
// or uploaded into it, so that the registry knows the albums that exist already. While the album is
// busy with another operation the step waits and is started again on the queue's next tick.
class UploadGetFolderContents : public wsSoapAsyncOpDelegate,
                                public std::enable_shared_from_this<UploadGetFolderContents>
{
public:
    UploadGetFolderContents(const UploadStatusPtr &status, UploadDelegate *delegate);

    // Main thread, from the queue's tick.
    void start();
    void retryStartIfRequired();
    // A contents fetch cannot be called back once asked for; the queue waits for it.
    void cancel() {}

    bool bSucceeded() const { return m_bSucceeded; }
    bool isFinished() const { return m_isFinished; }
    bool isStarted() const { return m_isStarted; }
    UploadStatusPtr uploadStatus() const { return m_uploadStatus; }

    void soapAsyncRequestStarted(const std::shared_ptr<asyncRequestInfo> &request) override;
    void soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &request) override;
    // A request dropped before it ran (sign-in, sign-out, refresh) ends the step as failed, or the
    // queue would wait for it for ever.
    void soapAsyncRequestDropped(const std::shared_ptr<asyncRequestInfo> &request) override;

private:
    void finishAtOnce();
    void sendStatusCallback();

    const QString m_getFolderContentsFullPath;
    UploadDelegate *const m_delegate;
    std::atomic<bool> m_bSucceeded = false;
    std::atomic<bool> m_isFinished = false;
    std::atomic<bool> m_isStarted = false;
    const UploadStatusPtr m_uploadStatus;
};
