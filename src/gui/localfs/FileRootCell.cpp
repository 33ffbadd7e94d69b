#include "localfs/FileRootCell.h"

#include <QPainter>

void FileRootCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                         const QModelIndex &index) const
{
    QFont font = option.font;
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 0.9);
    painter->save();
    painter->setFont(font);
    // A muted heading that still reads well on light and dark palettes.
    QColor heading = option.palette.color(QPalette::Text);
    heading.setAlphaF(0.55f);
    painter->setPen(heading);
    const QRect text = option.rect.adjusted(2, 1, -2, -1);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(font).elidedText(index.data().toString(), Qt::ElideRight, text.width()));
    painter->restore();
}

QSize FileRootCell::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return {QStyledItemDelegate::sizeHint(option, index).width(), RowHeight};
}
