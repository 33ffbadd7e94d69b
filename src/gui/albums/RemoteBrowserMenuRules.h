#pragma once

#include <QModelIndexList>

class remoteFileBrowserHelper;

// When the album pane's commands may be used, by the command's tag, from the selected rows and the
// rights granted at sign-in.
class RemoteBrowserMenuRules
{
public:
    enum Tag {
        CreateFolderTag = 0, // one row: the root with the right to create top-level albums, an album
                             // with the right to create sub-albums that takes them, or a placeholder
        RenameTag = 1,       // one row whose name may be edited
        DeleteTag = 2,       // no root among the rows, and every album and asset may be deleted
        UploadTag = 3,       // one row, an album
    };

    // rows: the selected rows, one index each (any column). An unknown tag is always allowed.
    static bool validateMenuItem(int tag, const remoteFileBrowserHelper &helper, const QModelIndexList &rows);

    static bool canCreateFolder(const remoteFileBrowserHelper &helper, const QModelIndexList &rows);
    static bool canRename(const remoteFileBrowserHelper &helper, const QModelIndexList &rows);
    static bool canDelete(const remoteFileBrowserHelper &helper, const QModelIndexList &rows);
    static bool canUpload(const remoteFileBrowserHelper &helper, const QModelIndexList &rows);
};
