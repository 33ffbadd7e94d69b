#pragma once

#include <QAbstractTableModel>
#include <QPointer>

class Log;

// The event log as a table, newest entry first: columns "index" (the row number), "path" and
// "message". It follows the log's notifications and announces every change as inserted or removed
// rows. When the log is closed (at shut-down) the rows go and the model stays usable, empty.
class LogTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { IndexColumn, PathColumn, MessageColumn, ColumnCount };
    static constexpr int ColumnIdentifierRole = Qt::UserRole + 1;

    // Shows the process-wide log, creating it if there is none yet.
    explicit LogTableModel(QObject *parent = nullptr);
    ~LogTableModel() override;

    // nullptr once the log has been closed.
    Log *log() const { return m_log; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // "index", "path", "message".
    static QString columnIdentifier(int column);
    // What a column shows for an entry; an unknown identifier shows "".
    QString valueFor(int row, const QString &identifier) const;

private:
    void handleLogObjectAdded();
    void handleLogCleared();

    QPointer<Log> m_log;
    // The rows announced so far; the log itself has changed already when it notifies.
    int m_rowCount = 0;
};
