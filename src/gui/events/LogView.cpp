#include "events/LogView.h"

#include "common/MessageText.h"
#include "events/Log.h"
#include "events/LogTableModel.h"

#include <QHeaderView>

LogView::LogView(QWidget *parent) : QTableView(parent), m_model(new LogTableModel(this))
{
    setModel(m_model);
    setAccessibleName(messageText(QStringLiteral("Text_EventLogListName")));
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideMiddle);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView *header = horizontalHeader();
    header->setHighlightSections(false);
    header->resizeSection(LogTableModel::IndexColumn,
                          fontMetrics().horizontalAdvance(QStringLiteral("00000")));
    header->resizeSection(LogTableModel::PathColumn, 300);
    header->setStretchLastSection(true);
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
