#pragma once

#include "albums/RemoteTreeEntry.h"
#include "session/soapResultsBase.h"

#include <QRecursiveMutex>
#include <QString>

// The common part of every node decoded from the server: its full remote path and the mark that
// an album operation on it is under way. Each node has its own lock.
class soapRemoteBase : public soapResultsBase,
                       public RemoteTreeEntry,
                       public std::enable_shared_from_this<soapRemoteBase>
{
public:
    virtual bool deserialise(const QVariantMap &dictionary);

    QString fullRemotePath() const;
    void setFullRemotePath(const QString &path);

    bool hasPendingAsyncOp() const;
    // Not a counter: one clear ends any number of sets.
    void setPendingAsyncOp(bool pending);

protected:
    mutable QRecursiveMutex m_lock;

private:
    QString m_fullRemotePath;
    bool m_hasPendingAsyncOp = false;
};

using soapRemoteBasePtr = std::shared_ptr<soapRemoteBase>;
