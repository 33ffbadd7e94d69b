#pragma once

#include "albums/RemoteTreeEntry.h"

#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <functional>

class expandItems;
class remoteFileBrowserHelper;

// Opens again, after a refresh, the albums that were open before it: each recorded album is listed
// anew on a worker of its own queue, one after the other, its contents applied and the album opened
// on the main thread while the worker waits. "ExpandEventCompleted" announces the end.
class wsExpandHelper : public QObject
{
    Q_OBJECT

public:
    using IsExpanded = std::function<bool(const RemoteTreeEntry *node)>;

    explicit wsExpandHelper(QObject *parent = nullptr);
    // Waits for a job under way (letting the main thread apply its replies meanwhile).
    ~wsExpandHelper() override;

    // Appends, in pre-order, the paths of the albums that isExpanded says are open at and below
    // node; an album that is closed is not looked into. The root's own path is not recorded.
    static void getExpandedItems(const IsExpanded &isExpanded, const RemoteTreeEntryPtr &node,
                                 QStringList &paths);

    // Queues the job and returns at once; view is where albums are opened (none: listed only).
    void expandFolders(const QStringList &paths, remoteFileBrowserHelper *view);
    void waitForDone();

    // The job's steps: the worker's loop, and the two that run on the main thread.
    void doExpandOps(expandItems &request);
    static void perfGetFolderContents(expandItems &request);
    static void perfExpandItem(expandItems &request);

private:
    QThreadPool m_opQueue;
};
