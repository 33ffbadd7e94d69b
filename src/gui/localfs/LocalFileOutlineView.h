#pragma once

#include <QPointer>
#include <QTreeView>

class FileSystemItem;
class LocalFileBrowserModel;

// The outline of the local pane: group rows with files and folders below. It starts drags of the
// selection (the paths in row order), takes drops of folders from outside as new places, deletes
// places dragged out of the window and dropped there, and moves the selection with the arrow keys
// over item rows only (Alt jumps to either end).
class LocalFileOutlineView : public QTreeView
{
    Q_OBJECT

public:
    explicit LocalFileOutlineView(QWidget *parent = nullptr);

    void setLocalModel(LocalFileBrowserModel *model);
    LocalFileBrowserModel *localModel() const { return m_model; }

    // Whether places may be edited by drops and by dragging them out (not while following the
    // desktop's bookmarks).
    void setPlacesEditable(bool editable) { m_placesEditable = editable; }

    // The two halves of a drag from this pane, around the platform's drag loop: the selection as
    // dragged, and where and how the drag ended (globalPos in screen coordinates).
    void beginLocalDrag();
    void endLocalDrag(Qt::DropAction action, const QPoint &globalPos);
    bool isLocalDragUnderWay() const { return m_localDrag; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;

private:
    void moveSelection(bool down, bool toEnd);
    bool isItemRow(const QModelIndex &index) const;
    void validateDrop(QDropEvent *event);
    void setDraggedHidden(bool hidden);

    LocalFileBrowserModel *m_model = nullptr;
    bool m_placesEditable = true;
    bool m_localDrag = false;
    QList<QPointer<FileSystemItem>> m_localDragItems;
    bool m_localDragPlacesFolders = false;
};
