#pragma once

#include "upload/UploadStatus.h"

// What the callers of the upload engine may be told about their commands. Both calls have empty
// defaults, so a delegate answers only what it cares about. The engine does not own its delegates:
// a delegate must outlive the commands it is given to.
class UploadDelegate
{
public:
    virtual ~UploadDelegate() = default;

    // A command was queued; its record is offered before its first notification.
    virtual void uploadProgress(const UploadStatusPtr &status);
    // The command's record changed.
    virtual void uploadStatusUpdate(const UploadStatusPtr &status);
};
