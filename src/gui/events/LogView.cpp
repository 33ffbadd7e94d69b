#include "events/LogView.h"

#include "common/MessageText.h"
#include "controls/ListTableLook.h"
#include "events/Log.h"
#include "events/LogTableModel.h"

#include <QHeaderView>

LogView::LogView(QWidget *parent) : QTableView(parent), m_model(new LogTableModel(this))
{
    setModel(m_model);
    setAccessibleName(messageText(QStringLiteral("Text_EventLogListName")));
    applyListTableLook(this);
    QHeaderView *header = horizontalHeader();
    header->resizeSection(LogTableModel::IndexColumn,
                          fontMetrics().horizontalAdvance(QStringLiteral("00000")));
    header->resizeSection(LogTableModel::PathColumn, 300);
}

qint64 LogView::count() const
{
    return m_model->log() ? m_model->log()->count() : 0;
}

void LogView::add(const QString &message, const QString &path)
{
    if (Log *log = m_model->log())
        log->add(message, path);
}

void LogView::clear()
{
    if (Log *log = m_model->log())
        log->clear();
}
