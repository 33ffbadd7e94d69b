#pragma once

#include <QList>

class soapRemoteContainer;

// What is about to happen to a container's list of children.
struct RemoteTreeChange
{
    enum Kind {
        Insert,  // count entries will be appended or inserted at first
        Remove,  // the entry at first leaves
        Replace, // the whole list is dropped and refilled
    };
    Kind kind = Replace;
    qsizetype first = 0;
    qsizetype count = 0;
};

// Told by the album tree before and after a container's children change, on the thread that changes
// them (the main thread). A model over the tree announces its rows from these calls, so no view ever
// sees a list that changed without notice. Observers register themselves for their lifetime.
class RemoteTreeObserver
{
public:
    virtual ~RemoteTreeObserver();

    virtual void remoteChildrenAboutToChange(soapRemoteContainer *container,
                                             const RemoteTreeChange &change) = 0;
    virtual void remoteChildrenChanged(soapRemoteContainer *container, const RemoteTreeChange &change) = 0;

    static void addObserver(RemoteTreeObserver *observer);
    static void removeObserver(RemoteTreeObserver *observer);

    static void notifyAboutToChange(soapRemoteContainer *container, const RemoteTreeChange &change);
    static void notifyChanged(soapRemoteContainer *container, const RemoteTreeChange &change);
};
