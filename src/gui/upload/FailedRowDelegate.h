#pragma once

#include <QStyledItemDelegate>

// Draws the text cells of the upload list: in the palette's text colour, or in red for a row whose
// command failed (the model's UploadQueueListModel::IsFailedRole), until the user dismisses it.
class FailedRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QColor failedTextColor();

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
