#include "localfs/LocalFileBrowserModel.h"

#include "common/MessageText.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "localfs/FileSystemItem.h"
#include "localfs/FileSystemMountedVolumes.h"
#include "localfs/FileSystemPlaces.h"
#include "localfs/LocalFilesMimeType.h"

#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QSet>

#include <algorithm>

// One announced row. The node pointer is only followed while the row is announced; the serial tells
// the node apart from a later one at the same address.
struct LocalFileBrowserModel::Row
{
    FileSystemNode *node = nullptr;
    quint64 serial = 0;
    Row *parent = nullptr;
    qsizetype row = 0;
    std::vector<std::unique_ptr<Row>> children;
    bool fetched = false;
    // Set while the folder is registered with the watch.
    QString watchedPath;
    QObject *watchedObject = nullptr;
};

LocalFileBrowserModel::LocalFileBrowserModel(QObject *parent)
    : LocalFileBrowserModel(QStringLiteral("/proc/self/mountinfo"), DesktopBookmarks::defaultFile(), parent)
{}

LocalFileBrowserModel::LocalFileBrowserModel(const QString &mountInfoFile, const QString &bookmarksFile,
                                             QObject *parent)
    : QAbstractItemModel(parent), m_mountInfoFile(mountInfoFile), m_bookmarksFile(bookmarksFile),
      m_top(std::make_unique<Row>())
{
    m_top->fetched = true;
    NotificationCenter::workspaceCenter().addMainThreadObserver(
        this, NotificationNames::FileBrowserObjectChanged, [this](const Notification &notification) {
            handleObjectChanged(notification.object().value<QObject *>());
        });
    createRoot();
}

LocalFileBrowserModel::~LocalFileBrowserModel()
{
    NotificationCenter::workspaceCenter().removeObserver(this);
}

void LocalFileBrowserModel::createRoot()
{
    beginResetModel();
    for (const auto &row : m_top->children)
        forget(row.get());
    m_top->children.clear();
    m_rows.clear();
    m_places.reset();
    m_devices.reset();

    m_devices = std::make_unique<FileSystemMountedVolumes>(messageText(QStringLiteral("Text_DEVICES")),
                                                           m_mountInfoFile);
    if (m_devices->numberOfChildren() > 0) {
        m_top->children.push_back(makeRow(m_devices.get(), m_top.get()));
    }
    m_devices->setSizeChangeCallback([this](FileSystemRoot *) { devicesSizeChanged(); });
    m_places =
        std::make_unique<FileSystemPlaces>(messageText(QStringLiteral("Text_PLACES")), m_bookmarksFile);
    m_top->children.push_back(makeRow(m_places.get(), m_top.get()));
    renumber(m_top.get(), 0);
    endResetModel();
}

QList<FileSystemRoot *> LocalFileBrowserModel::rootItems() const
{
    QList<FileSystemRoot *> roots;
    for (const auto &row : m_top->children)
        roots.append(static_cast<FileSystemRoot *>(row->node));
    return roots;
}

LocalFileBrowserModel::Row *LocalFileBrowserModel::rowFor(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Row *>(index.internalPointer()) : m_top.get();
}

QModelIndex LocalFileBrowserModel::indexFor(const Row *row) const
{
    if (!row || row == m_top.get())
        return {};
    return createIndex(int(row->row), 0, const_cast<Row *>(row));
}

FileSystemNode *LocalFileBrowserModel::nodeForIndex(const QModelIndex &index) const
{
    return index.isValid() ? rowFor(index)->node : nullptr;
}

FileSystemItem *LocalFileBrowserModel::itemForIndex(const QModelIndex &index) const
{
    if (!index.isValid() || rowFor(index)->parent == m_top.get())
        return nullptr;
    return static_cast<FileSystemItem *>(rowFor(index)->node);
}

QModelIndex LocalFileBrowserModel::indexForNode(FileSystemNode *node) const
{
    Row *row = node ? m_rows.value(node) : nullptr;
    if (!row || row->serial != node->serial())
        return {};
    return indexFor(row);
}

bool LocalFileBrowserModel::isPlace(const QModelIndex &index) const
{
    return index.isValid() && rowFor(index)->parent->node == m_places.get() && m_places;
}

QModelIndex LocalFileBrowserModel::index(int row, int column, const QModelIndex &parent) const
{
    const Row *parentRow = rowFor(parent);
    if (column != 0 || row < 0 || row >= qsizetype(parentRow->children.size()))
        return {};
    return createIndex(row, 0, parentRow->children[size_t(row)].get());
}

QModelIndex LocalFileBrowserModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    return indexFor(rowFor(child)->parent);
}

int LocalFileBrowserModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(rowFor(parent)->children.size());
}

int LocalFileBrowserModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool LocalFileBrowserModel::hasChildren(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return !m_top->children.empty();
    if (const FileSystemItem *item = itemForIndex(parent))
        return item->isDirectory() && !item->isPackage();
    return true;
}

bool LocalFileBrowserModel::canFetchMore(const QModelIndex &parent) const
{
    const FileSystemItem *item = itemForIndex(parent);
    return item && !rowFor(parent)->fetched && item->isDirectory() && !item->isPackage();
}

void LocalFileBrowserModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    Row *row = rowFor(parent);
    row->fetched = true;
    const QList<FileSystemItem *> children = itemForIndex(parent)->children();
    if (!children.isEmpty())
        insertRows(row, 0, children);
}

QVariant LocalFileBrowserModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const Row *row = rowFor(index);
    const FileSystemItem *item = itemForIndex(index);
    switch (role) {
    case Qt::DisplayRole:
        return row->node->name();
    case Qt::ToolTipRole:
    case FullPathRole:
        return item ? QVariant(item->fullPath()) : QVariant();
    case IsGroupRole:
        return item == nullptr;
    case IsPlaceRole:
        return isPlace(index);
    case HiddenRole:
        return item && item->hidden();
    // What the item learnt when it was made: painting never waits for the disk.
    case IsDirectoryRole:
        return item && item->isDirectory();
    case IsVolumeRole:
        return item && m_devices && row->parent->node == m_devices.get();
    default:
        return {};
    }
}

Qt::ItemFlags LocalFileBrowserModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    if (!itemForIndex(index))
        return Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList LocalFileBrowserModel::mimeTypes() const
{
    return {QString::fromLatin1(kLocalFilesMimeType), QStringLiteral("text/uri-list")};
}

QMimeData *LocalFileBrowserModel::mimeData(const QModelIndexList &indexes) const
{
    QModelIndexList sorted = indexes;
    sortInRowOrder(sorted);
    QStringList paths;
    QList<QUrl> urls;
    for (const QModelIndex &index : std::as_const(sorted)) {
        if (const FileSystemItem *item = itemForIndex(index); item && !paths.contains(item->fullPath())) {
            paths.append(item->fullPath());
            urls.append(QUrl::fromLocalFile(item->fullPath()));
        }
    }
    if (paths.isEmpty())
        return nullptr;
    auto *mime = new QMimeData;
    mime->setData(QString::fromLatin1(kLocalFilesMimeType), paths.join(u'\n').toUtf8());
    mime->setUrls(urls);
    return mime;
}

Qt::DropActions LocalFileBrowserModel::supportedDragActions() const
{
    return Qt::CopyAction;
}

void LocalFileBrowserModel::sortInRowOrder(QModelIndexList &indexes)
{
    std::vector<std::pair<QList<int>, QModelIndex>> keyed;
    keyed.reserve(size_t(indexes.size()));
    for (const QModelIndex &index : std::as_const(indexes)) {
        QList<int> rows;
        for (QModelIndex at = index; at.isValid(); at = at.parent())
            rows.prepend(at.row());
        keyed.emplace_back(rows, index);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    indexes.clear();
    for (const auto &entry : keyed)
        indexes.append(entry.second);
}

void LocalFileBrowserModel::itemDidExpand(const QModelIndex &index)
{
    FileSystemItem *item = itemForIndex(index);
    if (!item)
        return;
    item->markAsyncOperationInProgress();
    fetchMore(index);
    item->open();
    item->clearAsyncOperation();
    Row *row = rowFor(index);
    if (row->watchedPath.isEmpty()) {
        row->watchedPath = item->fullPath();
        row->watchedObject = item;
        m_dirWatch.addPath(row->watchedPath, item);
    }
}

void LocalFileBrowserModel::itemDidCollapse(const QModelIndex &index)
{
    FileSystemItem *item = itemForIndex(index);
    if (!item)
        return;
    Row *row = rowFor(index);
    if (!row->watchedPath.isEmpty()) {
        m_dirWatch.removePath(row->watchedPath, row->watchedObject);
        row->watchedPath.clear();
        row->watchedObject = nullptr;
    }
    if (!row->children.empty())
        removeRows(row, 0, qsizetype(row->children.size()) - 1);
    row->fetched = false;
    item->close();
}

void LocalFileBrowserModel::handleObjectChanged(QObject *object)
{
    if (auto *node = qobject_cast<FileSystemNode *>(object))
        reload(node);
}

void LocalFileBrowserModel::reload(FileSystemNode *node)
{
    Row *row = node ? m_rows.value(node) : nullptr;
    if (!row || row->serial != node->serial() || !row->fetched)
        return;
    const bool isGroup = row->parent == m_top.get();
    auto *item = isGroup ? nullptr : static_cast<FileSystemItem *>(node);
    if (item && !item->isOpen()) {
        if (!row->children.empty())
            removeRows(row, 0, qsizetype(row->children.size()) - 1);
        row->fetched = false;
        return;
    }
    const QList<FileSystemItem *> current =
        isGroup ? static_cast<FileSystemRoot *>(node)->children() : item->children();

    // Rows whose node is gone leave first, in runs, from the end.
    QSet<quint64> currentSerials;
    currentSerials.reserve(current.size());
    for (const FileSystemItem *child : current)
        currentSerials.insert(child->serial());
    for (qsizetype last = qsizetype(row->children.size()) - 1; last >= 0; --last) {
        if (currentSerials.contains(row->children[size_t(last)]->serial))
            continue;
        qsizetype first = last;
        while (first > 0 && !currentSerials.contains(row->children[size_t(first - 1)]->serial))
            --first;
        removeRows(row, first, last);
        last = first;
    }

    // Then the rows are brought into the children's order: moved where they moved, new ones inserted.
    QSet<quint64> shown;
    for (const auto &child : row->children)
        shown.insert(child->serial);
    const QModelIndex parentIndex = indexFor(row);
    qsizetype position = 0;
    for (qsizetype i = 0; i < current.size();) {
        const quint64 serial = current.at(i)->serial();
        if (position < qsizetype(row->children.size()) && row->children[size_t(position)]->serial == serial) {
            ++position;
            ++i;
        } else if (shown.contains(serial)) {
            qsizetype from = position + 1;
            while (row->children[size_t(from)]->serial != serial)
                ++from;
            beginMoveRows(parentIndex, int(from), int(from), parentIndex, int(position));
            std::unique_ptr<Row> moved = std::move(row->children[size_t(from)]);
            row->children.erase(row->children.begin() + from);
            row->children.insert(row->children.begin() + position, std::move(moved));
            renumber(row, position);
            endMoveRows();
            ++position;
            ++i;
        } else {
            qsizetype end = i + 1;
            while (end < current.size() && !shown.contains(current.at(end)->serial()))
                ++end;
            insertRows(row, position, current.mid(i, end - i));
            position += end - i;
            i = end;
        }
    }
    if (isGroup)
        Q_EMIT rootReloaded(parentIndex);
}

std::unique_ptr<LocalFileBrowserModel::Row> LocalFileBrowserModel::makeRow(FileSystemNode *node, Row *parent)
{
    auto row = std::make_unique<Row>();
    row->node = node;
    row->serial = node->serial();
    row->parent = parent;
    m_rows.insert(node, row.get());
    if (parent == m_top.get()) {
        // A group's rows are announced with it.
        row->fetched = true;
        const QList<FileSystemItem *> children = static_cast<FileSystemRoot *>(node)->children();
        for (FileSystemItem *child : children)
            row->children.push_back(makeRow(child, row.get()));
        renumber(row.get(), 0);
    }
    return row;
}

void LocalFileBrowserModel::insertRows(Row *parent, qsizetype position, const QList<FileSystemItem *> &items)
{
    beginInsertRows(indexFor(parent), int(position), int(position + items.size() - 1));
    std::vector<std::unique_ptr<Row>> rows;
    rows.reserve(size_t(items.size()));
    for (FileSystemItem *item : items)
        rows.push_back(makeRow(item, parent));
    parent->children.insert(parent->children.begin() + position, std::make_move_iterator(rows.begin()),
                            std::make_move_iterator(rows.end()));
    renumber(parent, position);
    endInsertRows();
}

void LocalFileBrowserModel::removeRows(Row *parent, qsizetype first, qsizetype last)
{
    beginRemoveRows(indexFor(parent), int(first), int(last));
    for (qsizetype i = first; i <= last; ++i)
        forget(parent->children[size_t(i)].get());
    parent->children.erase(parent->children.begin() + first, parent->children.begin() + last + 1);
    renumber(parent, first);
    endRemoveRows();
}

void LocalFileBrowserModel::forget(Row *row)
{
    // The node may be gone already: only its address is used, never followed.
    for (const auto &child : row->children)
        forget(child.get());
    if (!row->watchedPath.isEmpty())
        m_dirWatch.removePath(row->watchedPath, row->watchedObject);
    if (m_rows.value(row->node) == row)
        m_rows.remove(row->node);
}

void LocalFileBrowserModel::renumber(Row *parent, qsizetype from)
{
    for (qsizetype i = from; i < qsizetype(parent->children.size()); ++i)
        parent->children[size_t(i)]->row = i;
}

void LocalFileBrowserModel::insertRoot(FileSystemRoot *root, qsizetype position)
{
    beginInsertRows({}, int(position), int(position));
    m_top->children.insert(m_top->children.begin() + position, makeRow(root, m_top.get()));
    renumber(m_top.get(), position);
    endInsertRows();
}

void LocalFileBrowserModel::devicesSizeChanged()
{
    const bool shown = indexForNode(m_devices.get()).isValid();
    const bool hasVolumes = m_devices->numberOfChildren() > 0;
    if (hasVolumes && !shown)
        insertRoot(m_devices.get(), 0);
    else if (!hasVolumes && shown)
        removeRows(m_top.get(), 0, 0);
}

bool LocalFileBrowserModel::canAcceptPlaces(const QList<QUrl> &urls) const
{
    for (const QUrl &url : urls) {
        const QFileInfo info(url.toLocalFile());
        if (info.exists() && !info.isDir())
            return false;
        if (info.isDir() && m_places->containsChildPath(url))
            return false;
    }
    return true;
}

bool LocalFileBrowserModel::addPlaces(const QList<QUrl> &urls)
{
    const bool allFolders = std::all_of(urls.begin(), urls.end(),
                                        [this](const QUrl &url) { return m_places->isValidChildPath(url); });
    if (allFolders) {
        for (const QUrl &url : urls)
            m_places->addChildPath(url);
    }
    reload(m_places.get());
    return allFolders && !urls.isEmpty();
}

void LocalFileBrowserModel::removeItems(const QModelIndexList &indexes)
{
    QModelIndexList sorted = indexes;
    sortInRowOrder(sorted);
    QList<QPointer<FileSystemItem>> topLevel;
    for (const QModelIndex &index : std::as_const(sorted)) {
        if (FileSystemItem *item = itemForIndex(index); item && rowFor(index)->parent->parent == m_top.get())
            topLevel.append(item);
    }
    for (const QPointer<FileSystemItem> &item : std::as_const(topLevel)) {
        if (item)
            static_cast<FileSystemRoot *>(item->parentNode())->removeChild(item);
    }
    // The devices do not announce removals of their own.
    reload(m_devices.get());
    reload(m_places.get());
}

void LocalFileBrowserModel::setFollowingDesktopBookmarks(bool follow)
{
    if (follow == m_places->monitorFinderPlaces())
        return;
    if (follow)
        m_places->reset();
    m_places->setMonitorFinderPlaces(follow);
}

bool LocalFileBrowserModel::isFollowingDesktopBookmarks() const
{
    return m_places->monitorFinderPlaces();
}

void LocalFileBrowserModel::saveOpenState()
{
    m_places->saveOpenState();
    m_devices->saveOpenState();
}

QList<FileSystemItem *> LocalFileBrowserModel::restoreOpenState()
{
    QList<FileSystemItem *> items;
    for (FileSystemRoot *root : rootItems())
        items += root->restoreOpenState();
    return items;
}
