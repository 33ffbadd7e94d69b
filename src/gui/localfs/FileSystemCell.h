#pragma once

#include "localfs/FileRootCell.h"

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QStyledItemDelegate>

// Draws a file or folder row of the local pane: the desktop's icon for the path and its name. No row
// is renamed in place. Group rows are handed to a FileRootCell, so the view needs one delegate only.
class FileSystemCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit FileSystemCell(QObject *parent = nullptr);

    static constexpr int RowHeight = 20;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The icon theme's picture for the path: special folders and (for rows right under a group)
    // volumes by their role, files by their type; the style's standard pictures when the theme has none.
    QIcon iconForPath(const QString &path, bool topLevel) const;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    bool isVolumeRoot(const QString &path) const;

    FileRootCell m_rootCell;
    QHash<QString, QString> m_specialFolders;
    QMimeDatabase m_mimeTypes;
    mutable QHash<QString, QIcon> m_iconsByName;
    mutable QHash<QString, bool> m_volumeRoots;
};
