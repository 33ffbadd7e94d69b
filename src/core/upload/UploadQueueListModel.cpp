#include "upload/UploadQueueListModel.h"

#include "common/MessageText.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"
#include "upload/UploadQueue.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

UploadQueueListModel::UploadQueueListModel(QObject *parent) : QAbstractTableModel(parent)
{
    m_uploads.reserve(100);
    auto &center = NotificationCenter::defaultCenter();
    // The album steps post from worker threads; the centre hands those posts to the main thread,
    // where the model lives and is destroyed.
    center.addMainThreadObserver(this, NotificationNames::UploadEventStatusUpdate,
                                 [this](const Notification &n) {
                                     if (const auto record = n.object().value<UploadStatusPtr>())
                                         uploadStatusNotification(record);
                                 });
    center.addMainThreadObserver(this, NotificationNames::CommsEventLogout,
                                 [this](const Notification &) { logoutNotification(); });
}

UploadQueueListModel::~UploadQueueListModel()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

int UploadQueueListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_uploads.size());
}

int UploadQueueListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant UploadQueueListModel::data(const QModelIndex &index, int role) const
{
    const UploadStatusPtr record = uploadAt(index.row());
    if (!record || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return valueFor(*record, columnIdentifier(index.column()));
    case Qt::ToolTipRole:
        return index.column() == StatusColumn || index.column() == FileColumn
                   ? valueFor(*record, columnIdentifier(index.column()))
                   : QVariant();
    case UploadStatusRole:
        return QVariant::fromValue(record);
    case IsFailedRole:
        return isShownFailed(*record);
    case IsSpinningRole:
        return isSpinning(*record);
    default:
        return {};
    }
}

QVariant UploadQueueListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == ColumnIdentifierRole)
        return columnIdentifier(section);
    if (role == Qt::DisplayRole)
        return section == IconColumn
                   ? QString()
                   : messageText(QStringLiteral("Text_UploadColumn") + columnIdentifier(section));
    return {};
}

QString UploadQueueListModel::columnIdentifier(int column)
{
    static const QStringList identifiers{u"Icon"_s,        u"File"_s, u"Source"_s,
                                         u"Destination"_s, u"Size"_s, u"Status"_s};
    return identifiers.value(column);
}

QString UploadQueueListModel::valueFor(UploadStatus &record, const QString &identifier)
{
    const qint32 type = record.eUploadType();
    if (identifier == u"File") {
        switch (type) {
        case UploadCommandFile:
            return record.strFilename();
        case UploadCommandCreateFolder:
            return messageText(u"Retrieve Folder"_s);
        case UploadCommandGetFolderContents:
            return messageText(u"Updating Folder"_s);
        default:
            return messageText(u"Unknown type %1"_s).arg(type);
        }
    }
    if (identifier == u"Source") {
        if (type != UploadCommandFile)
            return {};
        return QFileInfo(QDir::cleanPath(record.localFilePath().toLocalFile())).path();
    }
    if (identifier == u"Destination") {
        switch (type) {
        case UploadCommandFile:
            return record.remoteFolderParentName();
        case UploadCommandGetFolderContents:
            return record.getRemoteFolderContentsFullPath().section(u'/', -1);
        default:
            return record.remoteFolderCreateName();
        }
    }
    if (identifier == u"Status")
        return type == UploadCommandFile ? fileStatusText(record) : statusKeyText(record);
    if (identifier == u"Size") {
        if (type != UploadCommandFile)
            return {};
        const quint64 total = record.numBytesTotal();
        return total == 0 ? u"?"_s : commsGlobals::convertBytesToString(total);
    }
    if (identifier == u"Icon")
        return {};
    return u"a"_s;
}

QString UploadQueueListModel::fileStatusText(UploadStatus &record)
{
    const UploadStatusCode status = record.status();
    if (!record.bSucceeded() || status == UploadStatusFailed) {
        const QString error = record.error();
        return error.isEmpty() ? messageText(u"Failed"_s) : error;
    }
    if (const QString note = record.note(); !note.isEmpty())
        return note;
    switch (status) {
    case UploadStatusWaiting:
        return messageText(u"Waiting"_s);
    case UploadStatusCancelled:
        return messageText(u"Cancelled"_s);
    case UploadStatusEnd:
        return messageText(u"Done"_s);
    default:
        break;
    }
    const quint64 sent = record.numBytesSent();
    const quint64 total = record.numBytesTotal();
    if (total == 0)
        return u"?"_s;
    record.setLastReportedPercentage(float(double(sent) / double(total)));
    if (sent >= total && status == UploadStatusProgress)
        return messageText(u"100% (processing the file)"_s);
    const float percent = sent < total ? float(double(sent) * 100.0 / double(total)) : 0.0f;
    return QString::asprintf("%0.1f%%", double(percent));
}

QString UploadQueueListModel::statusKeyText(const UploadStatus &record)
{
    switch (record.status()) {
    case UploadStatusWaiting:
        return messageText(u"Text_UploadStatWait"_s);
    case UploadStatusStart:
        return messageText(u"Text_UploadStatStart"_s);
    case UploadStatusProgress:
        return messageText(u"Text_UploadStatUpload"_s);
    case UploadStatusEnd:
        return messageText(u"Text_UploadStatDone"_s);
    case UploadStatusFailed: {
        const QString error = record.error();
        return error.isEmpty() ? messageText(u"Text_UploadStatFail"_s)
                               : messageText(u"Text_UploadStatFailError"_s).arg(error);
    }
    case UploadStatusCancelled:
        return messageText(u"Text_UploadStatCancel"_s);
    default:
        return messageText(u"Text_UploadStatUnknown"_s);
    }
}

bool UploadQueueListModel::isShownFailed(const UploadStatus &record)
{
    const UploadStatusCode status = record.status();
    return !record.bSucceeded() || status == UploadStatusFailed || status == UploadStatusCancelled;
}

bool UploadQueueListModel::isSpinning(const UploadStatus &record)
{
    const UploadStatusCode status = record.status();
    return status == UploadStatusStart || status == UploadStatusProgress ||
           (status == UploadStatusEnd && !record.bAlreadyStored());
}

void UploadQueueListModel::uploadStatusNotification(const UploadStatusPtr &record)
{
    const UploadStatusCode status = record->status();
    // A file found on the server already keeps its row, saying so, until dismissed.
    const bool ended =
        (status == UploadStatusEnd && !record->bAlreadyStored()) || status == UploadStatusCancelled;
    const int row = rowOf(record);
    if (row < 0) {
        // A command that ends with its first notification never gets a row.
        if (ended)
            return;
        const int last = int(m_uploads.size());
        beginInsertRows({}, last, last);
        m_uploads.append(record);
        endInsertRows();
    } else if (ended) {
        removeRow(row);
    } else {
        Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
    }
}

void UploadQueueListModel::logoutNotification()
{
    if (m_uploads.isEmpty())
        return;
    beginRemoveRows({}, 0, int(m_uploads.size()) - 1);
    m_uploads.clear();
    endRemoveRows();
}

void UploadQueueListModel::removeRow(int row)
{
    beginRemoveRows({}, row, row);
    m_uploads.removeAt(row);
    endRemoveRows();
}

void UploadQueueListModel::deleteEntries(const QList<int> &rows)
{
    // By record, not by row: a cancellation's notification removes its row while we go.
    QList<UploadStatusPtr> records;
    for (int row : rows) {
        if (const UploadStatusPtr record = uploadAt(row))
            records.append(record);
    }
    for (const UploadStatusPtr &record : std::as_const(records)) {
        const UploadStatusCode status = record->status();
        if (status == UploadStatusFailed || status == UploadStatusCancelled || status == UploadStatusEnd) {
            const int row = rowOf(record);
            if (row >= 0)
                removeRow(row);
        } else if (commsGlobal) {
            commsGlobal->uploadQueue().cancelUploadForStatus(record);
        }
    }
}

void UploadQueueListModel::cancelAllUploads()
{
    if (commsGlobal)
        commsGlobal->uploadQueue().cancelAllUploads();
}

QList<UploadStatusPtr> UploadQueueListModel::failedUploads() const
{
    QList<UploadStatusPtr> failed;
    for (const UploadStatusPtr &record : m_uploads) {
        if (record->eUploadType() == UploadCommandFile && record->status() == UploadStatusFailed)
            failed.append(record);
    }
    return failed;
}
