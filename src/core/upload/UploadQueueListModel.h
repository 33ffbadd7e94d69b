#pragma once

#include "upload/UploadStatus.h"

#include <QAbstractTableModel>
#include <QList>

// The rows of the upload list: one per queued command that is still waiting, running or failed,
// in the order the commands first reported. Built purely from "UploadEventStatusUpdate": a record's
// first notification adds its row, End or Cancelled removes it (a later failure brings it back at
// the end), and failed rows stay until dismissed. "CommsEventLogout" empties the list.
//
// Every change is announced per row (rowsInserted, rowsRemoved, dataChanged of one row), never as a
// reset. Notifications posted on a worker thread (the album steps) are handed to the main thread
// before they touch the rows; the model may be destroyed on the main thread at any time.
//
//     auto *model = new UploadQueueListModel(view);   // observes from construction on
//     view->setModel(model);
//
// Colours and the spinner are the view's: it asks IsFailedRole and IsSpinningRole.
class UploadQueueListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        IconColumn,
        FileColumn,
        SourceColumn,
        DestinationColumn,
        SizeColumn,
        StatusColumn,
        ColumnCount
    };

    enum Role {
        UploadStatusRole = Qt::UserRole + 1, // the row's UploadStatusPtr
        IsFailedRole,                        // bool: the row's text is drawn in red
        IsSpinningRole,                      // bool: the row's command is active (Start, Progress, End)
        ColumnIdentifierRole,                // header data: "File", "Source", ... (see columnIdentifier)
    };

    explicit UploadQueueListModel(QObject *parent = nullptr);
    ~UploadQueueListModel() override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    UploadStatusPtr uploadAt(int row) const { return m_uploads.value(row); }
    int rowOf(const UploadStatusPtr &record) const { return int(m_uploads.indexOf(record)); }

    // Rows whose command failed, was cancelled or found its file on the server are dismissed; every other
    // command is cancelled through the upload queue and leaves through its own notifications.
    void deleteEntries(const QList<int> &rows);
    // Cancels every command through the upload queue.
    void cancelAllUploads();
    // The rows of file uploads that failed, in row order.
    QList<UploadStatusPtr> failedUploads() const;

    // "Icon", "File", "Source", "Destination", "Size", "Status".
    static QString columnIdentifier(int column);
    // What a column shows for a record; an unknown identifier shows "a". The "Status" of a file
    // upload remembers the fraction shown on the record, which holds back further progress
    // notifications until enough has changed.
    static QString valueFor(UploadStatus &record, const QString &identifier);
    static bool isShownFailed(const UploadStatus &record);
    static bool isSpinning(const UploadStatus &record);

private:
    static QString fileStatusText(UploadStatus &record);
    static QString statusKeyText(const UploadStatus &record);

    void uploadStatusNotification(const UploadStatusPtr &record);
    void logoutNotification();
    void removeRow(int row);

    QList<UploadStatusPtr> m_uploads;
};
