#pragma once

#include "albums/wsSoapAsyncOpDelegate.h"
#include "upload/UploadStatus.h"

#include <atomic>

class UploadDelegate;

// The queue's album creation step: creates one album under an existing one through the background
// album operations, or finishes at once when the album exists already or its parent is unknown.
// The completion arrives on a worker thread, so the flags are atomic and the record's status is
// changed before the step counts as finished.
class UploadCreateFolder : public wsSoapAsyncOpDelegate,
                           public std::enable_shared_from_this<UploadCreateFolder>
{
public:
    UploadCreateFolder(const UploadStatusPtr &status, UploadDelegate *delegate);

    // Main thread, from the queue's tick.
    void start();
    // An album creation cannot be called back once asked for; the queue waits for it.
    void cancel() {}

    bool bSucceeded() const { return m_bSucceeded; }
    bool isFinished() const { return m_isFinished; }
    UploadStatusPtr uploadStatus() const { return m_uploadStatus; }

    void soapAsyncRequestStarted(const std::shared_ptr<asyncRequestInfo> &request) override;
    void soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &request) override;
    // A request dropped before it ran (sign-in, sign-out, refresh) ends the step as failed, or the
    // queue would wait for it for ever.
    void soapAsyncRequestDropped(const std::shared_ptr<asyncRequestInfo> &request) override;

private:
    void sendStatusCallback();

    const QString m_newFolderName;
    const QString m_parentFolderName;
    UploadDelegate *const m_delegate;
    std::atomic<bool> m_bSucceeded = false;
    std::atomic<bool> m_isFinished = false;
    const UploadStatusPtr m_uploadStatus;
};
