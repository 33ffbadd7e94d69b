#pragma once

#include "albums/soapRemoteBase.h"
#include "albums/wsSoapAsyncOpDelegate.h"
#include "common/Error.h"

class QEventLoop;

// Finds the album at a full remote path after sign-in, when only the top-level albums are known:
// opens each album along the path whose contents are not loaded yet, through the album queue.
class AlbumPathResolver : public wsSoapAsyncOpDelegate, public std::enable_shared_from_this<AlbumPathResolver>
{
public:
    // The album at path, or the root for the empty path; none with the error set when a level
    // cannot be read or does not exist.
    soapRemoteBasePtr resolve(const QString &path, Error &error);

    void soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &info) override;

private:
    bool loadContents(const soapRemoteBasePtr &album, Error &error);

    QEventLoop *m_loop = nullptr;
    Error m_error;
};
