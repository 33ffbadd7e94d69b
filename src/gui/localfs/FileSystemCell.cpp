#include "localfs/FileSystemCell.h"

#include "localfs/FileSystemCellEditor.h"
#include "localfs/LocalFileBrowserModel.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QStyle>

namespace {

// The desktop's own folders, by their icon names; read once, as the lookup reads a file.
QHash<QString, QString> specialFolderIconNames()
{
    QHash<QString, QString> names;
    const std::pair<QStandardPaths::StandardLocation, const char *> folders[] = {
        {QStandardPaths::DesktopLocation, "user-desktop"},
        {QStandardPaths::DocumentsLocation, "folder-documents"},
        {QStandardPaths::DownloadLocation, "folder-download"},
        {QStandardPaths::PicturesLocation, "folder-pictures"},
        {QStandardPaths::MusicLocation, "folder-music"},
        {QStandardPaths::MoviesLocation, "folder-videos"},
    };
    for (const auto &[location, name] : folders)
        names.insert(QStandardPaths::writableLocation(location), QString::fromLatin1(name));
    names.insert(QDir::homePath(), QStringLiteral("user-home"));
    return names;
}

} // namespace

FileSystemCell::FileSystemCell(QObject *parent)
    : QStyledItemDelegate(parent), m_rootCell(this), m_specialFolders(specialFolderIconNames())
{}

void FileSystemCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    if (isGroupRow(index)) {
        m_rootCell.paint(painter, option, index);
        return;
    }
    QStyledItemDelegate::paint(painter, option, index);
}

QSize FileSystemCell::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (isGroupRow(index))
        return m_rootCell.sizeHint(option, index);
    return {QStyledItemDelegate::sizeHint(option, index).width(), RowHeight};
}

QWidget *FileSystemCell::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                      const QModelIndex &) const
{
    return new FileSystemCellEditor(parent);
}

void FileSystemCell::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *nameEditor = qobject_cast<FileSystemCellEditor *>(editor)) {
        // A repaint of the row while the user types must not put the old name back.
        if (!nameEditor->isModified())
            nameEditor->beginEditing(index.data(Qt::EditRole).toString());
    } else {
        QStyledItemDelegate::setEditorData(editor, index);
    }
}

bool FileSystemCell::isGroupRow(const QModelIndex &index) const
{
    return index.data(LocalFileBrowserModel::IsGroupRole).toBool();
}

QIcon FileSystemCell::iconForIndex(const QModelIndex &index) const
{
    const QString path = index.data(LocalFileBrowserModel::FullPathRole).toString();
    if (path.isEmpty())
        return {};
    return iconForPath(path, index.data(LocalFileBrowserModel::IsDirectoryRole).toBool(),
                       index.data(LocalFileBrowserModel::IsVolumeRole).toBool());
}

void FileSystemCell::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QIcon icon = iconForIndex(index);
    if (icon.isNull())
        return;
    option->icon = icon;
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->decorationSize = QSize(16, 16);
}

QIcon FileSystemCell::iconForPath(const QString &path, bool isDirectory, bool isVolume) const
{
    QString name;
    QString genericName;
    QStyle::StandardPixmap standard = QStyle::SP_FileIcon;
    if (isDirectory) {
        name = m_specialFolders.value(path);
        if (name.isEmpty() && (isVolume || path == u'/'))
            name = QStringLiteral("drive-harddisk");
        genericName = QStringLiteral("folder");
        standard = name == u"drive-harddisk" ? QStyle::SP_DriveHDIcon : QStyle::SP_DirIcon;
    } else {
        // By the name alone: reading every file's first bytes would slow the scrolling down.
        const QList<QMimeType> byName = m_mimeTypes.mimeTypesForFileName(path);
        const QMimeType type = byName.isEmpty()
                                   ? m_mimeTypes.mimeTypeForName(QStringLiteral("application/octet-stream"))
                                   : byName.first();
        name = type.iconName();
        genericName = type.genericIconName();
    }
    const QString key = name + u'|' + genericName;
    auto cached = m_iconsByName.constFind(key);
    if (cached != m_iconsByName.constEnd())
        return *cached;
    QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull())
        icon = QIcon::fromTheme(genericName);
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(standard);
    m_iconsByName.insert(key, icon);
    return icon;
}
