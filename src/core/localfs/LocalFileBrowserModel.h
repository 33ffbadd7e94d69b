#pragma once

#include "localfs/LocalDirWatch.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QUrl>

#include <memory>
#include <vector>

class FileSystemItem;
class FileSystemMountedVolumes;
class FileSystemNode;
class FileSystemPlaces;
class FileSystemRoot;

// The model of the local pane: two group rows (the devices, shown only while there is a volume, then
// the places) with the folders below them, listed when first expanded and kept current by the folder
// watch. The model keeps its own mirror of the rows it has announced and compares a changed node's
// children with it by identity, so rows that stayed keep their expansion and selection, and no row
// ever points at a node that is gone. Main thread only.
class LocalFileBrowserModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Role {
        FullPathRole = Qt::UserRole + 1, // QString, files and folders only
        IsGroupRole,                     // bool: a devices or places row
        IsPlaceRole,                     // bool: a folder directly under the places
        HiddenRole,                      // bool: dragged as a place, drawn without its disclosure
        IsDirectoryRole,                 // bool: the item was a folder when it was made
        IsVolumeRole,                    // bool: a mounted volume (a folder directly under the devices)
    };

    // The system's mount table and the desktop's bookmarks; tests pass files of their own.
    explicit LocalFileBrowserModel(QObject *parent = nullptr);
    LocalFileBrowserModel(const QString &mountInfoFile, const QString &bookmarksFile,
                          QObject *parent = nullptr);
    ~LocalFileBrowserModel() override;

    // Builds both roots afresh (a reset of the model). The new places do not follow the bookmarks.
    void createRoot();
    FileSystemMountedVolumes *devicesRoot() const { return m_devices.get(); }
    FileSystemPlaces *placesRoot() const { return m_places.get(); }
    // The group rows in display order.
    QList<FileSystemRoot *> rootItems() const;
    LocalDirWatch *dirWatch() { return &m_dirWatch; }

    FileSystemNode *nodeForIndex(const QModelIndex &index) const;
    // Nothing for a group row.
    FileSystemItem *itemForIndex(const QModelIndex &index) const;
    // The row of a node that the model has announced; invalid otherwise.
    QModelIndex indexForNode(FileSystemNode *node) const;
    bool isPlace(const QModelIndex &index) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    // The paths of the files and folders among indexes, in row order: the private type (one path a
    // line) and text/uri-list.
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    // Sorts indexes into the order of their rows from the top of the tree.
    static void sortInRowOrder(QModelIndexList &indexes);

    // What the view tells after expanding and collapsing a row: an open folder is watched; a closed
    // one forgets its children (listed again when next opened) and is no longer watched.
    void itemDidExpand(const QModelIndex &index);
    void itemDidCollapse(const QModelIndex &index);
    // Brings the rows below node in line with its children.
    void reload(FileSystemNode *node);

    // Whether dropped paths may become places: no file among them, no path that is a place already.
    bool canAcceptPlaces(const QList<QUrl> &urls) const;
    // Appends the folders to the places when every one is a folder; otherwise adds none (false).
    bool addPlaces(const QList<QUrl> &urls);
    // Removes the files and folders among indexes that sit directly under a group.
    void removeItems(const QModelIndexList &indexes);
    // Following on: the places become the bookmarks (or the defaults) and follow them. Off: the
    // places stay as they are and stop following.
    void setFollowingDesktopBookmarks(bool follow);
    bool isFollowingDesktopBookmarks() const;

    // Stores which folders are open under each group.
    void saveOpenState();
    // Lists the folders that were open when the state was saved and returns them, each parent before
    // its descendants, for the view to expand in this order.
    QList<FileSystemItem *> restoreOpenState();

Q_SIGNALS:
    // A group's list changed; the view keeps it open.
    void rootReloaded(const QModelIndex &index);

private:
    struct Row;

    Row *rowFor(const QModelIndex &index) const;
    QModelIndex indexFor(const Row *row) const;
    std::unique_ptr<Row> makeRow(FileSystemNode *node, Row *parent);
    void insertRows(Row *parent, qsizetype position, const QList<FileSystemItem *> &items);
    void removeRows(Row *parent, qsizetype first, qsizetype last);
    void forget(Row *row);
    void renumber(Row *parent, qsizetype from);
    void insertRoot(FileSystemRoot *root, qsizetype position);
    void devicesSizeChanged();
    void handleObjectChanged(QObject *object);

    QString m_mountInfoFile;
    QString m_bookmarksFile;
    LocalDirWatch m_dirWatch;
    std::unique_ptr<FileSystemMountedVolumes> m_devices;
    std::unique_ptr<FileSystemPlaces> m_places;
    std::unique_ptr<Row> m_top;
    QHash<const FileSystemNode *, Row *> m_rows;
};
