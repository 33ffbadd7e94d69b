#include "albums/RemoteFileSystemCell.h"

bool RemoteFileSystemCell::isGroupRow(const QModelIndex &) const
{
    return false;
}

QIcon RemoteFileSystemCell::iconForIndex(const QModelIndex &index) const
{
    const auto kind =
        remoteFileBrowserHelper::NodeKind(index.data(remoteFileBrowserHelper::NodeKindRole).toInt());
    return m_icons.iconFor(kind, index.data(remoteFileBrowserHelper::FileNameRole).toString());
}
