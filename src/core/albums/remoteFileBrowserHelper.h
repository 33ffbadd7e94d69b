#pragma once

#include "albums/RemoteTreeObserver.h"
#include "albums/soapRemoteBase.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <memory>

class UploadStatus;
class createFolderTempItem;
class soapRemoteFolderBrowser;
class soapRemoteFolderItem;
class asyncRequestInfo;

// The album pane's model: the album tree as rows under an invisible top item whose one row is the
// root. Albums list their contents when first opened; names are edited in place and renamed at once
// while the server is asked; albums are created through a "New Folder" placeholder; deletions,
// creations and listings are applied as the server answers. Files and folders dropped onto an album
// (or folders onto the root) are uploaded into it.
//
// The model keeps a mirror of the rows it has announced, holding their nodes, and is told by the tree
// before every change of a list of children, so no view ever paints a node that has gone. Main thread
// only; album operations report from workers and are handed over.
class remoteFileBrowserHelper : public QAbstractItemModel, public RemoteTreeObserver
{
    Q_OBJECT

public:
    enum Column {
        ProgressColumn = 0, // bool: an album operation on the row's node is under way
        FileColumn = 1,     // the name, editable where the rights allow
        SizeColumn = 2,     // an asset's size as text; empty for albums, "-" for the top item
        ColumnCount = 3,
    };

    enum class NodeKind { None, Root, Album, Asset, Placeholder };

    enum Role {
        NodeKindRole = Qt::UserRole + 1, // NodeKind as int
        PendingRole,                     // bool, any column
        EditableRole,                    // bool: the name may be edited (nameEditableForItem)
        FileNameRole,                    // QString: an asset's file name, for choosing its icon
        FullRemotePathRole,              // QString: the node's full remote path
        ColumnIdentifierRole,            // headerData: "Progress", "File" or "Size"
    };

    // How long the pointer must rest on an unloaded album during a drag before it is loaded.
    static constexpr int ExpandHoverMs = 500;

    explicit remoteFileBrowserHelper(QObject *parent = nullptr);
    ~remoteFileBrowserHelper() override;

    // Rows and nodes.
    RemoteTreeEntryPtr nodeForIndex(const QModelIndex &index) const;
    // The row of an announced node in the given column; invalid when the node has no row.
    QModelIndex indexForNode(const RemoteTreeEntry *node, int column = 0) const;
    QModelIndex rootIndex() const;
    static NodeKind kindOf(const RemoteTreeEntry *node);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Committing a name in the "File" column: a rename of an album or asset, the creation of the album
    // a placeholder stands for.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Cell contents and rights.
    QString labelForColumn(int column, const RemoteTreeEntry *node) const;
    bool nameEditableForItem(const RemoteTreeEntry *node) const;
    bool hasPendingAsyncOpForItem(const RemoteTreeEntry *node) const;
    void setPendingAsyncOpForItem(const RemoteTreeEntryPtr &node, bool pending);

    // Opening. The view asks before it opens a row (and closes it again when refused); an unloaded
    // album is then listed and expandRequested follows once its contents are in. During a drag an
    // unloaded album is listed only after the pointer rested on it for ExpandHoverMs.
    bool shouldExpandItem(const QModelIndex &index);
    // The drag's hover start and stop (stopping cancels the hover timer).
    void dragdropActive(bool active);
    void allowExpanding(bool allow);
    bool isDragDropActive() const { return m_bDragDropActive; }
    // Brings the node's rows in line with the tree and asks the view to open it.
    void expandItem(const RemoteTreeEntryPtr &node);

    // Commands.
    // The albums and assets among the rows that may be deleted (bCanDelete), in row order.
    QList<soapRemoteBasePtr> deletableItems(const QModelIndexList &rows) const;
    // Marks them pending and sends one delete request for them all; the number sent.
    int deleteItems(const QModelIndexList &rows);
    // Adds a "New Folder" placeholder under the root or an album and reports it with placeholderReady;
    // an album not loaded yet is listed first, one with an operation under way waits for its end.
    // False when the row takes no album.
    bool createFolderUnder(const QModelIndex &target);
    // Removes a placeholder whose name edit was given up before it was committed.
    void abandonPlaceholder(const QModelIndex &index);
    // Uploads files and folders into an album (or folders into the root), as a drop would.
    bool uploadFiles(const QList<QUrl> &items, const QModelIndex &target);
    // Any thread: the assets' pending flags go, then every row is reloaded, on the main thread.
    void clearPendingDataFlags();
    // The tree is emptied: the root's row stays, without children.
    void clearData();
    // Compares the node's rows with its children by identity and announces the difference; rows
    // whose node stayed keep their expansion and selection. Also repaints the node's row and its
    // children's rows.
    void reloadAnItemAndChildren(const RemoteTreeEntry *node);

    // Drops: the local pane's private type and text/uri-list.
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    // The local paths a drag carries: the file-manager list first, then the local pane's; none when
    // it carries neither.
    static QStringList droppedPaths(const QMimeData *data);

    // The album operations' outcomes, on the main thread.
    void soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &request);
    // An "Upload End" refreshes the album it concerns when that album has a row.
    void uploadStatusNotification(const QSharedPointer<UploadStatus> &status);

Q_SIGNALS:
    // The view opens the row (an album whose contents just came in, or one being re-expanded).
    void expandRequested(const QModelIndex &index);
    // The view selects the row alone (the album just created).
    void selectRequested(const QModelIndex &index);
    // The view selects the placeholder's row alone and starts editing its name.
    void placeholderReady(const QModelIndex &index);

protected:
    void remoteChildrenAboutToChange(soapRemoteContainer *container, const RemoteTreeChange &change) override;
    void remoteChildrenChanged(soapRemoteContainer *container, const RemoteTreeChange &change) override;

private:
    struct Row;
    class OperationDelegate;
    struct Change
    {
        soapRemoteContainer *container = nullptr;
        RemoteTreeChange change;
        bool begun = false;
    };

    Row *rowFor(const QModelIndex &index) const;
    Row *rowForNode(const RemoteTreeEntry *node) const;
    Row *rootRow() const;
    QModelIndex indexFor(const Row *row, int column = 0) const;
    std::shared_ptr<soapRemoteFolderBrowser> root() const;
    std::unique_ptr<Row> makeRow(const RemoteTreeEntryPtr &entry, Row *parent);
    void insertRows(Row *parent, qsizetype position, const QList<RemoteTreeEntryPtr> &entries);
    void removeRows(Row *parent, qsizetype first, qsizetype last);
    // Drops the rows from the mirror, inside an announced removal.
    void dropRows(Row *parent, qsizetype first, qsizetype last);
    void forget(Row *row);
    void renumber(Row *parent, qsizetype from);
    void syncRows(Row *row);
    // The children that have rows: none while the node has an operation under way.
    static QList<RemoteTreeEntryPtr> shownChildren(const soapRemoteContainer &container);
    void refreshCells(Row *row);
    void reloadAll();
    bool commitName(Row *row, const QString &name);
    void requestDropped(const std::shared_ptr<asyncRequestInfo> &request);
    void requestContents(const std::shared_ptr<soapRemoteFolderItem> &album);
    void addPlaceholder(const std::shared_ptr<soapRemoteBase> &target);
    void applyFetch(const std::shared_ptr<asyncRequestInfo> &request);
    void applyRename(const std::shared_ptr<asyncRequestInfo> &request);
    void applyDelete(const std::shared_ptr<asyncRequestInfo> &request);
    void applyCreate(const std::shared_ptr<asyncRequestInfo> &request);
    void syncAndExpand();

    std::unique_ptr<Row> m_top;
    QHash<const RemoteTreeEntry *, Row *> m_rows;
    // The change announced and awaiting its end.
    Change m_changing;
    // Placeholders whose album is being created.
    QSet<const RemoteTreeEntry *> m_creating;
    std::shared_ptr<OperationDelegate> m_delegate;
    QTimer m_expandTimer;
    std::weak_ptr<soapRemoteFolderItem> m_expandTimerAlbum;
    bool m_bDragDropActive = false;
    bool m_bAllowExpanding = true;
};
