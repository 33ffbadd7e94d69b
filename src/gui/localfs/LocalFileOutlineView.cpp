#include "localfs/LocalFileOutlineView.h"

#include "localfs/FileSystemCell.h"
#include "localfs/FileSystemItem.h"
#include "localfs/LocalFileBrowserModel.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>

namespace {

QList<QUrl> localFiles(const QMimeData *mime)
{
    QList<QUrl> files;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile())
            files.append(url);
    }
    return files;
}

} // namespace

LocalFileOutlineView::LocalFileOutlineView(QWidget *parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setItemDelegate(new FileSystemCell(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    // Folders never spring open under a drag.
    setAutoExpandDelay(-1);
    setUniformRowHeights(false);
    setIndentation(14);
    setFrameShape(QFrame::NoFrame);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    header()->setMinimumSectionSize(100);
    header()->setStretchLastSection(true);
}

void LocalFileOutlineView::setLocalModel(LocalFileBrowserModel *model)
{
    m_model = model;
    setModel(model);
}

bool LocalFileOutlineView::isItemRow(const QModelIndex &index) const
{
    return index.isValid() && !index.data(LocalFileBrowserModel::IsGroupRole).toBool();
}

void LocalFileOutlineView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
        moveSelection(event->key() == Qt::Key_Down, event->modifiers() & Qt::AltModifier);
        event->accept();
        return;
    case Qt::Key_Space:
    case Qt::Key_Backspace:
    case Qt::Key_Escape:
    case Qt::Key_Delete:
        event->accept();
        return;
    default:
        QTreeView::keyPressEvent(event);
    }
}

void LocalFileOutlineView::moveSelection(bool down, bool toEnd)
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (selected.size() != 1)
        return;
    QModelIndex target;
    if (toEnd) {
        // The last (or first) item row of the whole outline as it is shown now.
        for (QModelIndex row = model()->index(0, 0); row.isValid(); row = indexBelow(row)) {
            if (isItemRow(row) && (down || !target.isValid()))
                target = row;
        }
    } else {
        target = selected.first();
        do {
            target = down ? indexBelow(target) : indexAbove(target);
        } while (target.isValid() && !isItemRow(target));
    }
    if (!target.isValid() || target == selected.first())
        return;
    selectionModel()->setCurrentIndex(target,
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
}

void LocalFileOutlineView::beginLocalDrag()
{
    QModelIndexList selected = selectionModel()->selectedRows();
    LocalFileBrowserModel::sortInRowOrder(selected);
    m_localDragItems.clear();
    m_localDragPlacesFolders = !selected.isEmpty();
    for (const QModelIndex &index : std::as_const(selected)) {
        if (FileSystemItem *item = m_model->itemForIndex(index))
            m_localDragItems.append(item);
        m_localDragPlacesFolders = m_localDragPlacesFolders && m_model->isPlace(index);
    }
    m_localDrag = true;
    // Places dragged out of the window are deleted there: show them as they would go.
    if (m_placesEditable && m_localDragPlacesFolders) {
        setDraggedHidden(true);
        clearSelection();
    }
}

void LocalFileOutlineView::endLocalDrag(Qt::DropAction action, const QPoint &globalPos)
{
    const bool outside = !window()->frameGeometry().contains(globalPos);
    if (m_placesEditable && m_localDragPlacesFolders && action == Qt::IgnoreAction && outside) {
        QModelIndexList indexes;
        for (const QPointer<FileSystemItem> &item : std::as_const(m_localDragItems))
            indexes.append(m_model->indexForNode(item));
        m_model->removeItems(indexes);
        clearSelection();
    } else {
        setDraggedHidden(false);
    }
    m_localDrag = false;
    m_localDragItems.clear();
    m_localDragPlacesFolders = false;
}

void LocalFileOutlineView::setDraggedHidden(bool hidden)
{
    for (const QPointer<FileSystemItem> &item : std::as_const(m_localDragItems)) {
        if (!item)
            continue;
        item->setHidden(hidden);
        update(m_model->indexForNode(item));
    }
    viewport()->update();
}

void LocalFileOutlineView::startDrag(Qt::DropActions)
{
    QModelIndexList selected = selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    QMimeData *mime = m_model->mimeData(selected);
    if (!mime)
        return;
    beginLocalDrag();
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    const QModelIndex first = selected.first();
    drag->setPixmap(static_cast<FileSystemCell *>(itemDelegate())
                        ->iconForPath(first.data(LocalFileBrowserModel::FullPathRole).toString(),
                                      first.data(LocalFileBrowserModel::IsDirectoryRole).toBool(),
                                      first.data(LocalFileBrowserModel::IsVolumeRole).toBool())
                        .pixmap(32, 32));
    const Qt::DropAction action = drag->exec(Qt::CopyAction, Qt::CopyAction);
    endLocalDrag(action, QCursor::pos());
}

void LocalFileOutlineView::validateDrop(QDropEvent *event)
{
    event->ignore();
    // The pane neither reorders nor copies within itself, and takes nothing while following.
    if (!m_placesEditable || event->source() == this)
        return;
    const QList<QUrl> files = localFiles(event->mimeData());
    if (!files.isEmpty() && m_model->canAcceptPlaces(files)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void LocalFileOutlineView::dragEnterEvent(QDragEnterEvent *event)
{
    validateDrop(event);
}

void LocalFileOutlineView::dragMoveEvent(QDragMoveEvent *event)
{
    validateDrop(event);
}

void LocalFileOutlineView::dropEvent(QDropEvent *event)
{
    event->ignore();
    if (m_placesEditable && event->source() != this && m_model->addPlaces(localFiles(event->mimeData()))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void LocalFileOutlineView::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    // A place being dragged out shows no disclosure triangle.
    if (index.data(LocalFileBrowserModel::HiddenRole).toBool())
        return;
    QTreeView::drawBranches(painter, rect, index);
}
