#pragma once

#include "albums/asyncRequestInfo.h"

#include <QMutex>
#include <QThreadPool>

class createFolderTempItem;
class wsSoapAsyncOpDelegate;

// The background queue of album operations: open (fetch contents), rename, delete, create, and sign
// out. Each request runs on a worker of the queue; its tree change runs on the main thread while
// the worker waits, and the delegate is called on the worker. Operations mostly wait for the server,
// so many run at once; a sign-out never waits for a free worker.
class wsSoapAsyncOp
{
public:
    using Delegate = std::shared_ptr<wsSoapAsyncOpDelegate>;

    // Operations that run at once; more wait their turn (and cancelAllOperations() drops them).
    static constexpr int MaxConcurrentOperations = 16;

    wsSoapAsyncOp();
    // Drops what has not started and waits for what runs.
    ~wsSoapAsyncOp();

    asyncRequestInfoPtr requestGetFolderContentsFor(const soapRemoteBasePtr &album, const Delegate &delegate,
                                                    const QVariant &context = {});
    asyncRequestInfoPtr requestRenameFor(const soapRemoteBasePtr &item, const QString &oldName,
                                         const QString &newName, const Delegate &delegate,
                                         const QVariant &context = {});
    asyncRequestInfoPtr requestDeleteFor(const QList<soapRemoteBasePtr> &items, const Delegate &delegate,
                                         const QVariant &context = {});
    asyncRequestInfoPtr requestCreateSubFolderFor(const soapRemoteBasePtr &parent, const QString &name,
                                                  const QString &description, const Delegate &delegate,
                                                  const QVariant &context = {});
    asyncRequestInfoPtr requestCreateSubFolderFor(const soapRemoteBasePtr &parent, const QString &name,
                                                  const std::shared_ptr<createFolderTempItem> &tempFolder,
                                                  const QString &description, const Delegate &delegate,
                                                  const QVariant &context = {});
    asyncRequestInfoPtr requestLogout(const Delegate &delegate);

    // Drops the operations that have not started: their delegates hear soapAsyncRequestDropped and
    // nothing else. Running ones finish and call back.
    void cancelAllOperations();

    // Waits until every started operation has called back, letting the main thread apply tree
    // changes meanwhile (called there, a plain wait would deadlock).
    void waitForDone();

    void begin(const asyncRequestInfoPtr &info);
    void end(const asyncRequestInfoPtr &info);

    // The tree changes, run on the main thread.
    void perfGetFolderContents(const asyncRequestInfoPtr &info);
    void perfCreateTopLevelFolder(const asyncRequestInfoPtr &info);
    void perfCreateSubLevelFolder(const asyncRequestInfoPtr &info);

private:
    void add(const asyncRequestInfoPtr &info);
    void run(const asyncRequestInfoPtr &info);
    // Takes the record off the list of those waiting to start; false when it was dropped meanwhile.
    bool takeWaiting(const asyncRequestInfoPtr &info);
    void doGetFolderContents(const asyncRequestInfoPtr &info);
    void doRenameItem(const asyncRequestInfoPtr &info);
    void doDeleteItems(const asyncRequestInfoPtr &info);
    void doDeleteItem(const asyncRequestInfoPtr &info);
    void doCreateFolder(const asyncRequestInfoPtr &info);
    void doLogout(const asyncRequestInfoPtr &info);

    QThreadPool m_opQueue;
    // Sign-outs only, so that one never waits for a worker of m_opQueue.
    QThreadPool m_logoutQueue;
    QMutex m_waitingMutex;
    QList<asyncRequestInfoPtr> m_waiting;
};
