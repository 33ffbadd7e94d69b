#pragma once

#include "albums/RemoteItemIcons.h"
#include "localfs/FileSystemCell.h"

// The name cell of the album pane: a FileSystemCell whose pictures come from the row's kind (root,
// album, placeholder, asset by its file type). The album pane has no group rows.
class RemoteFileSystemCell : public FileSystemCell
{
    Q_OBJECT

public:
    using FileSystemCell::FileSystemCell;

    const RemoteItemIcons &icons() const { return m_icons; }

protected:
    bool isGroupRow(const QModelIndex &index) const override;
    QIcon iconForIndex(const QModelIndex &index) const override;

private:
    RemoteItemIcons m_icons;
};
