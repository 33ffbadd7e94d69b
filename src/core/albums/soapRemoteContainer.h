#pragma once

#include "albums/soapRemoteBase.h"

#include <QList>

class soapRemoteFolderItem;
class soapRemoteFileItem;

// A node with an ordered list of children: the root and the albums. Children keep reply order;
// later additions go to the end; nothing is ever sorted. Every change of the list is told to the
// tree's observers before and after it happens.
class soapRemoteContainer : public soapRemoteBase
{
public:
    soapRemoteContainer();

    QList<RemoteTreeEntryPtr> childrenSnapshot() const;
    qsizetype childCount() const;
    // The row of that very entry among the children, or -1.
    qsizetype rowOfChild(const RemoteTreeEntry *child) const;

    // Builds an album from the reply's "objAlbumSummary" and appends it; none when the reply does
    // not describe an album that can be placed in the tree.
    std::shared_ptr<soapRemoteFolderItem> createNewAlbum(const QVariantMap &reply);
    // Removes that very node; false, and nothing changes, when it is not a child.
    bool removeChild(const RemoteTreeEntryPtr &node);
    // Removes the first asset with that ID.
    bool removeAsset(qint64 assetID);

protected:
    virtual QString containerName() const = 0;
    // Called under the node's lock after children were added or removed.
    virtual void childrenChanged() {}

    void appendChild(const RemoteTreeEntryPtr &child);
    void appendChildren(const QList<RemoteTreeEntryPtr> &children);
    // Appends an album for each entry of the listing; entries that cannot be placed are skipped.
    void appendAlbumsFrom(const QVariantMap &reply, const QString &key);
    RemoteTreeEntryPtr childAtIndex(qsizetype index) const;

    // Drops or refills the whole list in between; the observers hear of it once, not per child.
    void beginReplaceChildren();
    void endReplaceChildren();
    bool isReplacingChildren() const { return m_replaceDepth > 0; }
    // Empties the list under the lock, the children losing their parent link.
    void dropChildrenLocked();

    QList<RemoteTreeEntryPtr> m_children;

private:
    void adopt(const RemoteTreeEntryPtr &child);
    int m_replaceDepth = 0;
};
