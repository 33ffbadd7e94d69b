#include "upload/UploadQueueList.h"

#include "common/MessageText.h"
#include "controls/ListTableLook.h"
#include "session/commsGlobals.h"
#include "upload/BZIndeterminateProgressIndicatorCell.h"
#include "upload/FailedRowDelegate.h"
#include "upload/FailedUploadsCsv.h"
#include "upload/UploadQueue.h"
#include "upload/UploadQueueListModel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QSaveFile>
#include <QStyle>

#include <algorithm>
#include <cmath>

UploadQueueList::UploadQueueList(QWidget *parent)
    : QTableView(parent), m_uploads(new UploadQueueListModel(this)),
      m_progressCell(new BZIndeterminateProgressIndicatorCell(this)),
      m_textCells(new FailedRowDelegate(this)), m_menu(this),
      m_cancelSelected(m_menu.addAction(messageText(QStringLiteral("Text_UploadCancelSelected")))),
      m_cancelAll(m_menu.addAction(messageText(QStringLiteral("Text_UploadCancelAll")))),
      m_retrySelected(m_menu.addAction(messageText(QStringLiteral("Text_UploadRetry")))),
      m_retryAllFailed(m_menu.addAction(messageText(QStringLiteral("Text_UploadRetryAllFailed")))),
      m_pause(m_menu.addAction(messageText(QStringLiteral("Text_UploadPause")))),
      m_copyFailed(m_menu.addAction(messageText(QStringLiteral("Text_UploadCopyFailed")))),
      m_saveFailed(m_menu.addAction(messageText(QStringLiteral("Text_UploadSaveFailed"))))
{
    setModel(m_uploads);
    setItemDelegate(m_textCells);
    m_progressCell->setSpinning(false);
    m_progressCell->setDisplayedWhenStopped(false);
    setItemDelegateForColumn(progressColumn(), m_progressCell);

    setAccessibleName(messageText(QStringLiteral("Text_UploadListName")));
    applyListTableLook(this);
    setSelectionMode(ExtendedSelection);
    QHeaderView *header = horizontalHeader();
    header->setSectionResizeMode(UploadQueueListModel::IconColumn, QHeaderView::Fixed);
    header->resizeSection(UploadQueueListModel::IconColumn, fontMetrics().height() + 8);
    header->resizeSection(UploadQueueListModel::FileColumn, 200);
    header->resizeSection(UploadQueueListModel::SourceColumn, 220);
    header->resizeSection(UploadQueueListModel::DestinationColumn, 160);
    header->resizeSection(UploadQueueListModel::SizeColumn, 90);

    m_cancelSelected->setData(int(CancelSelectedTag));
    m_cancelAll->setData(int(CancelAllTag));
    connect(m_cancelSelected, &QAction::triggered, this, &UploadQueueList::cancelSelectedUpload);
    connect(m_cancelAll, &QAction::triggered, this, &UploadQueueList::cancelAllUploads);
    m_retrySelected->setData(int(RetrySelectedTag));
    m_retryAllFailed->setData(int(RetryAllFailedTag));
    m_pause->setData(int(PauseTag));
    m_pause->setCheckable(true);
    m_pause->setIcon(QIcon::fromTheme(QStringLiteral("media-playback-pause"),
                                      style()->standardIcon(QStyle::SP_MediaPause)));
    m_retryAllFailed->setIcon(
        QIcon::fromTheme(QStringLiteral("view-refresh"), style()->standardIcon(QStyle::SP_BrowserReload)));
    m_copyFailed->setData(int(CopyFailedTag));
    m_saveFailed->setData(int(SaveFailedTag));
    connect(m_retrySelected, &QAction::triggered, this, &UploadQueueList::retrySelectedUploads);
    connect(m_retryAllFailed, &QAction::triggered, this, &UploadQueueList::retryAllFailedUploads);
    connect(m_pause, &QAction::triggered, this, &UploadQueueList::setQueuePaused);
    connect(m_copyFailed, &QAction::triggered, this, &UploadQueueList::copyFailedList);
    connect(m_saveFailed, &QAction::triggered, this, &UploadQueueList::chooseFileForFailedList);
    if (commsGlobal) {
        connect(&commsGlobal->uploadQueue(), &UploadQueue::pausedChanged, this, [this](bool paused) {
            m_pause->setChecked(paused);
            m_pause->setText(messageText(paused ? QStringLiteral("Text_UploadResume")
                                                : QStringLiteral("Text_UploadPause")));
        });
    }
    connect(m_uploads, &QAbstractItemModel::dataChanged, this, &UploadQueueList::validateMenu);
    // The actions may sit in the window's menus too, so they follow the rows and the selection.
    connect(m_uploads, &QAbstractItemModel::rowsInserted, this, &UploadQueueList::validateMenu);
    connect(m_uploads, &QAbstractItemModel::rowsRemoved, this, &UploadQueueList::validateMenu);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &UploadQueueList::validateMenu);
    validateMenu();

    m_progressTimer.setInterval(kProgressIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &UploadQueueList::progressUpdate);
}

UploadQueueList::~UploadQueueList()
{
    m_progressTimer.stop();
}

int UploadQueueList::progressColumn() const
{
    return UploadQueueListModel::IconColumn;
}

QList<int> UploadQueueList::selectedRowNumbers() const
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void UploadQueueList::selectOnlyRow(int row)
{
    const QModelIndex index = m_uploads->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void UploadQueueList::deleteSelectedEntries()
{
    m_uploads->deleteEntries(selectedRowNumbers());
}

void UploadQueueList::cancelSelectedUpload()
{
    deleteSelectedEntries();
}

void UploadQueueList::cancelAllUploads()
{
    m_uploads->cancelAllUploads();
}

void UploadQueueList::retrySelectedUploads()
{
    if (!commsGlobal)
        return;
    QList<UploadStatusPtr> records;
    for (int row : selectedRowNumbers())
        records.append(m_uploads->uploadAt(row));
    for (const UploadStatusPtr &record : std::as_const(records))
        commsGlobal->uploadQueue().retryFailedUpload(record);
}

void UploadQueueList::retryAllFailedUploads()
{
    if (!commsGlobal)
        return;
    for (const UploadStatusPtr &record : m_uploads->failedUploads())
        commsGlobal->uploadQueue().retryFailedUpload(record);
}

void UploadQueueList::setQueuePaused(bool paused)
{
    if (commsGlobal)
        commsGlobal->uploadQueue().setPaused(paused);
}

void UploadQueueList::copyFailedList()
{
    QGuiApplication::clipboard()->setText(FailedUploadsCsv::text(m_uploads->failedUploads()));
}

void UploadQueueList::chooseFileForFailedList()
{
    const QString path = QFileDialog::getSaveFileName(
        window(), messageText(QStringLiteral("Text_UploadSaveFailed")),
        QDir::home().filePath(QStringLiteral("failed-uploads.csv")), QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty() && !saveFailedList(path)) {
        QMessageBox::warning(window(), messageText(QStringLiteral("Text_UploadSaveFailed")),
                             messageText(QStringLiteral("Text_UploadSaveFailedError")).arg(path));
    }
}

bool UploadQueueList::saveFailedList(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(FailedUploadsCsv::text(m_uploads->failedUploads()).toUtf8());
    return file.commit();
}

bool UploadQueueList::validateMenuItem(const QAction *item) const
{
    if (!item || !item->data().isValid())
        return false;
    const bool hasRows = m_uploads->rowCount() > 0;
    const bool hasFailed = !m_uploads->failedUploads().isEmpty();
    switch (item->data().toInt()) {
    case CancelAllTag:
        return hasRows;
    case CancelSelectedTag:
        return hasRows && selectionModel()->hasSelection();
    case RetrySelectedTag: {
        const QList<int> rows = selectedRowNumbers();
        return std::any_of(rows.cbegin(), rows.cend(), [this](int row) {
            const UploadStatusPtr record = m_uploads->uploadAt(row);
            return record && record->eUploadType() == UploadCommandFile &&
                   record->status() == UploadStatusFailed;
        });
    }
    case RetryAllFailedTag:
    case CopyFailedTag:
    case SaveFailedTag:
        return hasFailed;
    case PauseTag:
        return commsGlobal != nullptr;
    default:
        return false;
    }
}

void UploadQueueList::validateMenu()
{
    for (QAction *action : m_menu.actions())
        action->setEnabled(validateMenuItem(action));
}

void UploadQueueList::progressUpdate()
{
    if (!isVisible())
        return;
    m_progressCell->setDoubleValue(std::fmod(m_progressCell->doubleValue() + 1.0 / 12.0, 1.0));
    const int column = progressColumn();
    viewport()->update(QRect(columnViewportPosition(column), 0, columnWidth(column), viewport()->height()));
}

bool UploadQueueList::isListKey(int key)
{
    return key == Qt::Key_Backspace || key == Qt::Key_Delete || key == Qt::Key_Up || key == Qt::Key_Down ||
           key == Qt::Key_Space;
}

bool UploadQueueList::event(QEvent *event)
{
    // The list's own keys win over window shortcuts on the same keys while it has the focus.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers others = key->modifiers() & ~(Qt::AltModifier | Qt::KeypadModifier);
        if (isListKey(key->key()) && others == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QTableView::event(event);
}

void UploadQueueList::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
        deleteSelectedEntries();
    } else if (key == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        setQueuePaused(!m_pause->isChecked());
    } else if (key == Qt::Key_Up || key == Qt::Key_Down) {
        const bool down = key == Qt::Key_Down;
        const int count = m_uploads->rowCount();
        const QList<int> selected = selectedRowNumbers();
        int target = -1;
        if (selected.isEmpty())
            target = down ? 0 : count - 1; // the way into the list from the keyboard
        else if (selected.size() == 1 && (event->modifiers() & Qt::AltModifier))
            target = down ? count - 1 : 0;
        else if (selected.size() == 1)
            target = selected.first() + (down ? 1 : -1);
        if (target >= 0 && target < count && selected != QList<int>{target})
            selectOnlyRow(target);
    } else if (key == Qt::Key_Menu) {
        // Not swallowed, so that the keyboard opens the context menu.
        event->ignore();
        return;
    }
    event->accept();
}

void UploadQueueList::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier) {
        const int row = indexAt(event->position().toPoint()).row();
        if (row >= 0 && selectedRowNumbers() == QList<int>{row}) {
            clearSelection();
            event->accept();
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void UploadQueueList::contextMenuEvent(QContextMenuEvent *event)
{
    const QModelIndex index =
        event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : currentIndex();
    if (index.isValid() && !selectionModel()->isRowSelected(index.row(), {}))
        selectOnlyRow(index.row());
    validateMenu();
    QPoint where = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse && index.isValid())
        where = viewport()->mapToGlobal(visualRect(index).center());
    m_menu.popup(where);
    event->accept();
}

void UploadQueueList::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    if (!isEnabled()) {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), QColor(0, 0, 0, 51));
    }
}

void UploadQueueList::showEvent(QShowEvent *event)
{
    QTableView::showEvent(event);
    m_progressTimer.start();
}

void UploadQueueList::hideEvent(QHideEvent *event)
{
    m_progressTimer.stop();
    QTableView::hideEvent(event);
}
