#pragma once

#include "localfs/FileRootCell.h"

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QStyledItemDelegate>

// Draws an ordinary row of a pane: its icon and its name, which rows that allow it (the model's
// editable flag) edit in place in a FileSystemCellEditor; the edited name goes to the model as typed.
// The local pane's rows take the desktop's icon for their path and no local row is editable; group
// rows are handed to a FileRootCell, so the view needs one delegate only.
class FileSystemCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit FileSystemCell(QObject *parent = nullptr);

    static constexpr int RowHeight = 20;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;

    // The icon theme's picture for a file or folder: special folders and volumes by their role, files
    // by the type their name tells; the style's standard pictures when the theme has none. Asks the
    // disk nothing, so a hung mount never holds up painting.
    QIcon iconForPath(const QString &path, bool isDirectory, bool isVolume) const;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    // Whether the row is a group heading, drawn by the root cell.
    virtual bool isGroupRow(const QModelIndex &index) const;
    // The row's picture; a null icon leaves the row without one.
    virtual QIcon iconForIndex(const QModelIndex &index) const;

private:
    FileRootCell m_rootCell;
    QHash<QString, QString> m_specialFolders;
    QMimeDatabase m_mimeTypes;
    mutable QHash<QString, QIcon> m_iconsByName;
};
