#include "upload/FailedRowDelegate.h"

#include "upload/UploadQueueListModel.h"

QColor FailedRowDelegate::failedTextColor()
{
    return QColor(200, 0, 0);
}

void FailedRowDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.data(UploadQueueListModel::IsFailedRole).toBool())
        option->palette.setColor(QPalette::Text, failedTextColor());
}
