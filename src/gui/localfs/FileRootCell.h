#pragma once

#include <QStyledItemDelegate>

// Draws a group row of the local pane (the devices and places headings): its name only, as a small
// bold heading in a muted text colour.
class FileRootCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int RowHeight = 22;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
