#include "albums/RemoteFileBrowser.h"

#include "albums/RemoteBrowserMenuRules.h"
#include "albums/RemoteFileSystemCell.h"
#include "albums/UploadFilePanel.h"
#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFolderItem.h"
#include "common/MainThread.h"
#include "common/MessageText.h"
#include "controls/NSAlertAttributed.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/pendingFilesStatusRequest.h"
#include "settings/Preferences.h"
#include "upload/BZIndeterminateProgressIndicatorCell.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QPainter>
#include <QStyle>

#include <cmath>

namespace {

using Model = remoteFileBrowserHelper;
using Rules = RemoteBrowserMenuRules;

// Black at a fifth of full strength over the pane while it is disabled.
const QColor DimColour = QColor::fromRgbF(0.0, 0.0, 0.0, 0.2);

Model::NodeKind kindOf(const QModelIndex &index)
{
    return Model::NodeKind(index.data(Model::NodeKindRole).toInt());
}

} // namespace

RemoteFileBrowser::RemoteFileBrowser(QWidget *parent)
    : QTreeView(parent), m_nameCell(new RemoteFileSystemCell(this)),
      m_progressCell(new BZIndeterminateProgressIndicatorCell(this)), m_menu(this),
      m_currentDir(QDir::homePath())
{
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectRows);
    // Names are edited through the rename command (and its key) only.
    setEditTriggers(NoEditTriggers);
    setExpandsOnDoubleClick(false);
    // Ten thousand assets in an album: one row height for all.
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setDragDropMode(DropOnly);
    setDefaultDropAction(Qt::CopyAction);
    setAcceptDrops(true);
    setDropIndicatorShown(true);

    m_progressCell->setSpinningRole(Model::PendingRole);
    m_progressCell->setDisplayedWhenStopped(false);
    setItemDelegateForColumn(Model::ProgressColumn, m_progressCell);
    setItemDelegateForColumn(Model::FileColumn, m_nameCell);
    m_spinTimer.setInterval(int(m_progressCell->animationDelay() * 1000));
    connect(&m_spinTimer, &QTimer::timeout, this, &RemoteFileBrowser::spin);

    const std::pair<int, const char *> commands[] = {
        {Rules::CreateFolderTag, "Text_AlbumMenuCreate"},
        {Rules::RenameTag, "Text_AlbumMenuRename"},
        {Rules::DeleteTag, "Text_AlbumMenuDelete"},
        {Rules::UploadTag, "Text_AlbumMenuUpload"},
    };
    for (const auto &[tag, key] : commands) {
        QAction *action = m_menu.addAction(messageText(QString::fromLatin1(key)));
        action->setData(tag);
        // Shortcuts work while the pane (or its name editor) has the focus.
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    actionForTag(Rules::CreateFolderTag)->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    actionForTag(Rules::RenameTag)->setShortcut(QKeySequence(Qt::Key_F2));
    connect(actionForTag(Rules::CreateFolderTag), &QAction::triggered, this,
            &RemoteFileBrowser::createFolderClicked);
    connect(actionForTag(Rules::RenameTag), &QAction::triggered, this, &RemoteFileBrowser::renameItemClicked);
    connect(actionForTag(Rules::DeleteTag), &QAction::triggered, this, &RemoteFileBrowser::queryDeleteItems);
    connect(actionForTag(Rules::UploadTag), &QAction::triggered, this, &RemoteFileBrowser::uploadFileClicked);
    connect(&m_menu, &QMenu::aboutToShow, this, &RemoteFileBrowser::updateMenuItems);
    updateMenuItems();

    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(HoverOpenMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, &RemoteFileBrowser::hoverOpen);

    connect(this, &QTreeView::expanded, this, &RemoteFileBrowser::itemExpanded);
    connect(this, &QAbstractItemView::doubleClicked, this, &RemoteFileBrowser::rowWasDoubleClicked);

    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.addMainThreadObserver(this, NotificationNames::CommsEventLogout,
                                 [this](const Notification &) { logoutNotification(); });
    center.addMainThreadObserver(this, NotificationNames::PendingStatusUpdate,
                                 [this](const Notification &n) { pendingStatusUpdate(n.object()); });
}

RemoteFileBrowser::~RemoteFileBrowser()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

// ---- Helper -----------------------------------------------------------------------------------

void RemoteFileBrowser::setupHelper(remoteFileBrowserHelper *helper)
{
    if (helper != m_helper) {
        detachHelper();
        m_helper = helper;
        if (!helper)
            return;
        QItemSelectionModel *previous = selectionModel();
        setModel(helper);
        delete previous;
        QHeaderView *columns = header();
        columns->setStretchLastSection(false);
        columns->setSectionResizeMode(Model::ProgressColumn, QHeaderView::Fixed);
        columns->resizeSection(Model::ProgressColumn, FileSystemCell::RowHeight + 4);
        columns->setSectionResizeMode(Model::FileColumn, QHeaderView::Stretch);
        columns->setSectionResizeMode(Model::SizeColumn, QHeaderView::Interactive);
        columns->resizeSection(Model::SizeColumn, 90);
        // The spinner stands first, at the left edge; the tree is drawn in the names' column.
        setTreePosition(Model::FileColumn);
        connect(helper, &Model::expandRequested, this, [this](const QModelIndex &index) { expand(index); });
        connect(helper, &Model::selectRequested, this, &RemoteFileBrowser::selectAlone);
        connect(helper, &Model::placeholderReady, this, &RemoteFileBrowser::editPlaceholder);
        connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &RemoteFileBrowser::updateMenuItems);
    }
    if (helper)
        helper->allowExpanding(true);
    updateMenuItems();
}

void RemoteFileBrowser::detachHelper()
{
    if (!m_helper)
        return;
    disconnect(m_helper, nullptr, this, nullptr);
    m_helper.clear();
    m_placeholder = QPersistentModelIndex();
    m_hoverRow = QPersistentModelIndex();
    m_hoverTimer.stop();
    QItemSelectionModel *previous = selectionModel();
    setModel(nullptr);
    delete previous;
    updateMenuItems();
}

void RemoteFileBrowser::expandRoot()
{
    if (m_helper)
        expand(m_helper->rootIndex());
}

void RemoteFileBrowser::logoutNotification()
{
    if (m_helper)
        m_helper->clearData();
    detachHelper();
}

void RemoteFileBrowser::pendingStatusUpdate(const QVariant &object)
{
    if (!m_helper || !object.canConvert<pendingFilesStatusRequestPtr>())
        return;
    const auto request = object.value<pendingFilesStatusRequestPtr>();
    if (request && !request->bReturnedPendingFilesStatus())
        m_helper->clearPendingDataFlags();
}

// ---- Selection --------------------------------------------------------------------------------

QModelIndexList RemoteFileBrowser::selectedRowIndexes() const
{
    if (!m_helper || !selectionModel())
        return {};
    return selectionModel()->selectedRows(Model::ProgressColumn);
}

RemoteTreeEntryPtr RemoteFileBrowser::getSingleSelectedItem() const
{
    const QModelIndexList rows = selectedRowIndexes();
    return rows.size() == 1 ? m_helper->nodeForIndex(rows.front()) : nullptr;
}

std::shared_ptr<soapRemoteFolderItem> RemoteFileBrowser::getSelectedFolder() const
{
    return std::dynamic_pointer_cast<soapRemoteFolderItem>(getSingleSelectedItem());
}

int RemoteFileBrowser::numItemsToDelete() const
{
    return m_helper ? int(m_helper->deletableItems(selectedRowIndexes()).size()) : 0;
}

void RemoteFileBrowser::selectAlone(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    selectionModel()->setCurrentIndex(index.siblingAtColumn(Model::FileColumn),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

// ---- Menu -------------------------------------------------------------------------------------

QAction *RemoteFileBrowser::actionForTag(int tag) const
{
    for (QAction *action : m_menu.actions()) {
        if (action->data().toInt() == tag)
            return action;
    }
    return nullptr;
}

bool RemoteFileBrowser::validateMenuItem(int tag) const
{
    if (!m_helper)
        return tag < Rules::CreateFolderTag || tag > Rules::UploadTag;
    return Rules::validateMenuItem(tag, *m_helper, selectedRowIndexes());
}

void RemoteFileBrowser::updateMenuItems()
{
    for (QAction *action : m_menu.actions())
        action->setEnabled(validateMenuItem(action->data().toInt()));
}

void RemoteFileBrowser::contextMenuEvent(QContextMenuEvent *event)
{
    // A click on a row outside the selection makes that row the selection; inside, it is kept.
    // The menu key opens it for the selection as it is.
    const QModelIndex row =
        event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : QModelIndex();
    if (row.isValid() && !selectionModel()->isRowSelected(row.row(), row.parent()))
        selectAlone(row);
    updateMenuItems();
    m_menu.popup(event->globalPos());
    event->accept();
}

// ---- Commands ---------------------------------------------------------------------------------

void RemoteFileBrowser::createFolderClicked()
{
    const QModelIndexList rows = selectedRowIndexes();
    if (rows.size() != 1)
        return;
    const Model::NodeKind kind = kindOf(rows.front());
    if (kind != Model::NodeKind::Root && kind != Model::NodeKind::Album)
        return;
    // An album that is not loaded yet opens first; the placeholder follows once its list is in.
    m_helper->createFolderUnder(rows.front());
}

void RemoteFileBrowser::editPlaceholder(const QModelIndex &index)
{
    selectAlone(index);
    m_placeholder = index.siblingAtColumn(Model::FileColumn);
    edit(m_placeholder);
}

void RemoteFileBrowser::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    // A committed name has reached the model before the editor closes; a placeholder left without
    // one goes, rather than staying in the tree as a folder that does not exist.
    const QPersistentModelIndex placeholder = std::exchange(m_placeholder, QPersistentModelIndex());
    QTreeView::closeEditor(editor, hint);
    if (placeholder.isValid() && m_helper)
        m_helper->abandonPlaceholder(placeholder);
}

void RemoteFileBrowser::renameItemClicked()
{
    const QModelIndexList rows = selectedRowIndexes();
    if (rows.size() != 1)
        return;
    const Model::NodeKind kind = kindOf(rows.front());
    if (kind == Model::NodeKind::Album || kind == Model::NodeKind::Asset)
        edit(rows.front().siblingAtColumn(Model::FileColumn));
}

void RemoteFileBrowser::queryDeleteItems()
{
    const int count = numItemsToDelete();
    if (count < 1)
        return;
    auto *sheet = new NSAlertAttributed(window());
    sheet->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
    sheet->setMessageText(messageText(QStringLiteral("Text_AlbumDeleteTitle")));
    sheet->setInformativeText(messageText(QStringLiteral("Text_AlbumDeleteInfo")).arg(count));
    sheet->setReturnButtonTitle(messageText(QStringLiteral("Text_AlbumDeleteButton")));
    sheet->setOtherButtonTitle(messageText(QStringLiteral("Text_Cancel")));
    QPointer<RemoteFileBrowser> self(this);
    sheet->beginSheetModalForWindow(window(), [self](int code) {
        if (self && self->m_helper && code == NSAlertAttributed::AlertFirstButtonReturn)
            self->m_helper->deleteItems(self->selectedRowIndexes());
    });
}

void RemoteFileBrowser::uploadFileClicked()
{
    if (!getSelectedFolder() || m_uploadPanel)
        return;
    m_uploadPanel = new UploadFilePanel(window(), m_currentDir);
    m_uploadPanel->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_uploadPanel, &QDialog::accepted, this, &RemoteFileBrowser::uploadPanelChosen);
    m_uploadPanel->open();
}

UploadFilePanel *RemoteFileBrowser::uploadPanel() const
{
    return m_uploadPanel;
}

void RemoteFileBrowser::uploadPanelChosen()
{
    const QList<QUrl> chosen = m_uploadPanel ? m_uploadPanel->chosenUrls() : QList<QUrl>();
    if (chosen.isEmpty())
        return;
    m_currentDir = QFileInfo(chosen.front().toLocalFile()).absolutePath();
    const QModelIndexList rows = selectedRowIndexes();
    if (rows.size() == 1 && kindOf(rows.front()) == Model::NodeKind::Album)
        m_helper->uploadFiles(chosen, rows.front());
}

// ---- Opening ----------------------------------------------------------------------------------

void RemoteFileBrowser::itemExpanded(const QModelIndex &index)
{
    // The model decides; an unloaded album is listed and opened again once its contents are in.
    if (m_helper && !m_helper->shouldExpandItem(index))
        collapse(index);
}

void RemoteFileBrowser::rowWasDoubleClicked(const QModelIndex &index)
{
    const QModelIndex row = index.siblingAtColumn(Model::ProgressColumn);
    if (isExpanded(row))
        collapse(row);
    else
        expand(row);
}

// ---- Keys -------------------------------------------------------------------------------------

void RemoteFileBrowser::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)
        queryDeleteItems();
    QTreeView::keyPressEvent(event);
}

// ---- Drags ------------------------------------------------------------------------------------

void RemoteFileBrowser::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_helper || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return;
    }
    m_helper->dragdropActive(true);
    const Preferences *preferences = Preferences::instance();
    if (preferences && !preferences->remoteViewAutoExpandsOnDrags())
        m_helper->allowExpanding(false);
    m_hoverRow = QPersistentModelIndex();
    QTreeView::dragEnterEvent(event);
}

void RemoteFileBrowser::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeView::dragMoveEvent(event);
    if (m_helper && m_helper->isDragDropActive())
        hoverDuringDrag(indexAt(event->position().toPoint()));
}

void RemoteFileBrowser::hoverDuringDrag(const QModelIndex &index)
{
    const QModelIndex row = index.siblingAtColumn(Model::ProgressColumn);
    if (row == m_hoverRow)
        return;
    m_hoverRow = row;
    m_hoverTimer.stop();
    // The pointer left whatever it rested on: an unloaded album's pending load is called off.
    m_helper->dragdropActive(true);
    if (kindOf(row) != Model::NodeKind::Album || isExpanded(row))
        return;
    // An unloaded album starts the model's own rest; a loaded one opens after the same rest here.
    if (m_helper->shouldExpandItem(row))
        m_hoverTimer.start();
}

void RemoteFileBrowser::hoverOpen()
{
    if (m_hoverRow.isValid() && m_helper && m_helper->isDragDropActive())
        expand(m_hoverRow);
}

void RemoteFileBrowser::dragLeaveEvent(QDragLeaveEvent *event)
{
    endDrag();
    QTreeView::dragLeaveEvent(event);
}

void RemoteFileBrowser::dropEvent(QDropEvent *event)
{
    // The model takes the drop (and switches expanding back on); the drag ends either way.
    QTreeView::dropEvent(event);
    endDrag();
}

void RemoteFileBrowser::endDrag()
{
    m_hoverRow = QPersistentModelIndex();
    m_hoverTimer.stop();
    if (!m_helper)
        return;
    m_helper->dragdropActive(false);
    m_helper->allowExpanding(true);
}

// ---- Drawing ----------------------------------------------------------------------------------

void RemoteFileBrowser::paintEvent(QPaintEvent *event)
{
    QTreeView::paintEvent(event);
    if (isEnabled())
        return;
    QPainter painter(viewport());
    painter.fillRect(event->rect(), DimColour);
}

void RemoteFileBrowser::showEvent(QShowEvent *event)
{
    QTreeView::showEvent(event);
    m_spinTimer.start();
}

void RemoteFileBrowser::hideEvent(QHideEvent *event)
{
    m_spinTimer.stop();
    QTreeView::hideEvent(event);
}

void RemoteFileBrowser::spin()
{
    // Only rows on screen with an operation under way turn; a row that stops is repainted by its
    // model's change anyway.
    bool turning = false;
    for (QModelIndex row = indexAt(QPoint(0, 0)); row.isValid() && !turning; row = indexBelow(row)) {
        if (visualRect(row).top() > viewport()->height())
            break;
        turning = row.data(Model::PendingRole).toBool();
    }
    if (!turning)
        return;
    m_progressCell->setDoubleValue(std::fmod(m_progressCell->doubleValue() + 1.0 / 12.0, 1.0));
    const int column = Model::ProgressColumn;
    viewport()->update(QRect(columnViewportPosition(column), 0, columnWidth(column), viewport()->height()));
}
