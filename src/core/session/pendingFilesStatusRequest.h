#pragma once

#include <QMetaType>

#include <atomic>
#include <memory>

// One pending-files status check: after a successful check, whether the server says the
// pending-files button is to be shown. Posted as the object of "PendingStatusUpdate".
class pendingFilesStatusRequest
{
public:
    bool bReturnedPendingFilesStatus() const { return m_bReturnedPendingFilesStatus; }
    void setBReturnedPendingFilesStatus(bool value) { m_bReturnedPendingFilesStatus = value; }

private:
    std::atomic<bool> m_bReturnedPendingFilesStatus = false;
};

using pendingFilesStatusRequestPtr = std::shared_ptr<pendingFilesStatusRequest>;

Q_DECLARE_METATYPE(pendingFilesStatusRequestPtr)
