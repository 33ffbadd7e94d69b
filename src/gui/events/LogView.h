#pragma once

#include <QTableView>

class LogTableModel;

// The table of the event log: one row per entry, newest first, with the columns "index", "path"
// and "message". It shows the process-wide log (creating it when there is none) and follows it by
// itself; once the log is closed it stays empty.
class LogView : public QTableView
{
    Q_OBJECT

public:
    explicit LogView(QWidget *parent = nullptr);

    qint64 count() const;
    // Forwarded to the log; the rows follow through its notifications.
    void add(const QString &message, const QString &path);
    void clear();

private:
    LogTableModel *m_model;
};
