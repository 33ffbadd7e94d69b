#pragma once

#include "albums/RemoteTreeEntry.h"

#include <QList>
#include <QString>

// Stands in the tree for an album while the user types its name; never registered.
class createFolderTempItem : public RemoteTreeEntry
{
public:
    explicit createFolderTempItem(const QString &name = QStringLiteral("New Folder"));

    QString tempName() const { return m_tempName; }
    void setTempName(const QString &name) { m_tempName = name; }

    qsizetype numberOfChildren() const { return m_children.size(); }
    // Out of range gives no entry.
    RemoteTreeEntryPtr getChildAtIndex(qsizetype index) const;
    void addChildTemp(const RemoteTreeEntryPtr &child);

private:
    QString m_tempName;
    QList<RemoteTreeEntryPtr> m_children;
};
