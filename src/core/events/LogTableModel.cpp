#include "events/LogTableModel.h"

#include "common/MessageText.h"
#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

LogTableModel::LogTableModel(QObject *parent) : QAbstractTableModel(parent), m_log(Log::init())
{
    m_rowCount = int(m_log->count());
    auto &center = NotificationCenter::defaultCenter();
    center.addMainThreadObserver(this, NotificationNames::EventLogItemAdded, [this](const Notification &n) {
        if (m_log && n.object().value<Log *>() == m_log)
            handleLogObjectAdded();
    });
    center.addMainThreadObserver(this, NotificationNames::EvetnLogCleared, [this](const Notification &n) {
        if (m_log && n.object().value<Log *>() == m_log)
            handleLogCleared();
    });
    // Log::close deletes the log; its rows go with it rather than dangle.
    connect(m_log, &QObject::destroyed, this, &LogTableModel::handleLogCleared);
}

LogTableModel::~LogTableModel()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

int LogTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int LogTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LogTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rowCount || index.column() >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() != IndexColumn))
        return valueFor(index.row(), columnIdentifier(index.column()));
    return {};
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == ColumnIdentifierRole)
        return columnIdentifier(section);
    if (role == Qt::DisplayRole) {
        static const char *const keys[] = {"Text_EventLogColumnIndex", "Text_EventLogColumnPath",
                                           "Text_EventLogColumnMessage"};
        return messageText(QString::fromLatin1(keys[section]));
    }
    return {};
}

QString LogTableModel::columnIdentifier(int column)
{
    static const QStringList identifiers{QStringLiteral("index"), QStringLiteral("path"),
                                         QStringLiteral("message")};
    return identifiers.value(column);
}

QString LogTableModel::valueFor(int row, const QString &identifier) const
{
    if (!m_log || row < 0 || row >= m_log->count())
        return {};
    if (identifier == QLatin1String("index"))
        return QString::number(row);
    if (identifier == QLatin1String("path"))
        return m_log->objectAtIndex(row).path();
    if (identifier == QLatin1String("message"))
        return m_log->objectAtIndex(row).message();
    return {};
}

void LogTableModel::handleLogObjectAdded()
{
    // Entries arrive at the top.
    const int count = int(m_log->count());
    if (count > m_rowCount) {
        beginInsertRows({}, 0, count - m_rowCount - 1);
        m_rowCount = count;
        endInsertRows();
    }
}

void LogTableModel::handleLogCleared()
{
    if (m_rowCount == 0)
        return;
    beginRemoveRows({}, 0, m_rowCount - 1);
    m_rowCount = 0;
    endRemoveRows();
}
