#pragma once

#include "albums/RemoteTreeEntry.h"

#include <QMenu>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>
#include <QTreeView>

#include <memory>

class BZIndeterminateProgressIndicatorCell;
class RemoteFileSystemCell;
class UploadFilePanel;
class remoteFileBrowserHelper;
class soapRemoteFolderItem;

// The album pane: the server's albums and assets under the root, with the commands on them (create
// an album, rename, delete, upload with a file panel) in its context menu, enabled by the selection
// and the rights of the sign-in. Albums list their contents when first opened; during a drag an
// album under the pointer opens after a short rest; files and folders dropped onto an album (folders
// onto the root) are uploaded into it. While disabled it draws itself dimmed.
//
// Signed out it shows nothing: setupHelper() and expandRoot() at each sign-in, and the sign-out
// notification empties it again.
class RemoteFileBrowser : public QTreeView
{
    Q_OBJECT

public:
    // How long the pointer rests on a loaded, closed album during a drag before it opens.
    static constexpr int HoverOpenMs = 500;

    explicit RemoteFileBrowser(QWidget *parent = nullptr);
    ~RemoteFileBrowser() override;

    void setupHelper(remoteFileBrowserHelper *helper);
    remoteFileBrowserHelper *helper() const { return m_helper; }
    void expandRoot();

    // The node of the one selected row; none unless exactly one row is selected.
    RemoteTreeEntryPtr getSingleSelectedItem() const;
    std::shared_ptr<soapRemoteFolderItem> getSelectedFolder() const;
    // The selected albums and assets that may be deleted.
    int numItemsToDelete() const;

    // The commands, as the context menu runs them (each checks its own condition).
    void createFolderClicked();
    void renameItemClicked();
    void uploadFileClicked();
    // Asks, as a sheet, before the deletable selected items are deleted; nothing when there are none.
    void queryDeleteItems();

    // Whether the command with that tag (RemoteBrowserMenuRules::Tag) may be used now; an unknown
    // tag always may.
    bool validateMenuItem(int tag) const;
    QAction *actionForTag(int tag) const;
    QMenu *contextMenu() { return &m_menu; }

    // The open upload panel, if any.
    UploadFilePanel *uploadPanel() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QModelIndexList selectedRowIndexes() const;
    void detachHelper();
    void logoutNotification();
    void pendingStatusUpdate(const QVariant &object);
    void itemExpanded(const QModelIndex &index);
    void rowWasDoubleClicked(const QModelIndex &index);
    void selectAlone(const QModelIndex &index);
    void editPlaceholder(const QModelIndex &index);
    void updateMenuItems();
    void endDrag();
    void hoverDuringDrag(const QModelIndex &index);
    void hoverOpen();
    void uploadPanelChosen();
    void spin();

    QPointer<remoteFileBrowserHelper> m_helper;
    RemoteFileSystemCell *m_nameCell;
    BZIndeterminateProgressIndicatorCell *m_progressCell;
    QMenu m_menu;
    // The folder the upload panel opens in: the one of the last items chosen, home at first.
    QString m_currentDir;
    QPointer<UploadFilePanel> m_uploadPanel;
    // The placeholder whose name is being typed.
    QPersistentModelIndex m_placeholder;
    // The row under the pointer during a drag; a loaded, closed album opens after a rest on it.
    QPersistentModelIndex m_hoverRow;
    QTimer m_hoverTimer;
    QTimer m_spinTimer;
};
