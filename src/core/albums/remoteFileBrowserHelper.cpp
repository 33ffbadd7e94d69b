#include "albums/remoteFileBrowserHelper.h"

#include "albums/asyncRequestInfo.h"
#include "albums/createFolderTempItem.h"
#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOp.h"
#include "albums/wsSoapAsyncOpDelegate.h"
#include "common/MainThread.h"
#include "common/MessageText.h"
#include "diagnostics/DiagnosticLine.h"
#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "localfs/LocalFilesMimeType.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "upload/DropUpload.h"
#include "upload/UploadStatus.h"

#include <QDir>
#include <QMimeData>
#include <QPointer>
#include <QSet>

#include <algorithm>

namespace {

const QString UriListType = QStringLiteral("text/uri-list");

void logEvent(const QString &message, const QString &file)
{
    if (Log *log = Log::instance())
        log->add(message, file);
}

QString nameOf(const RemoteTreeEntry *node)
{
    if (const auto *album = dynamic_cast<const soapRemoteFolderItem *>(node))
        return album->strName();
    if (const auto *asset = dynamic_cast<const soapRemoteFileItem *>(node))
        return asset->strFilename();
    return {};
}

} // namespace

// One announced row. It holds its node, so a node that left the tree stays alive until its row has
// been removed from every view.
struct remoteFileBrowserHelper::Row
{
    RemoteTreeEntryPtr entry;
    // Fixed for the node's life; kept so that walking a long list needs no casts.
    NodeKind kind = NodeKind::None;
    Row *parent = nullptr;
    qsizetype row = 0;
    std::vector<std::unique_ptr<Row>> children;
};

// The delegate of the model's album operations. Requests hold it strongly and may outlive the model;
// it hands every outcome to the main thread and waits, as the tree changes it reports are there.
class remoteFileBrowserHelper::OperationDelegate : public wsSoapAsyncOpDelegate
{
public:
    explicit OperationDelegate(remoteFileBrowserHelper *model) : m_model(model) {}

    void soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &request) override
    {
        runOnMainThreadAndWait([this, request] {
            if (m_model)
                m_model->soapAsyncRequestCompleted(request);
        });
    }

    void soapAsyncRequestDropped(const std::shared_ptr<asyncRequestInfo> &request) override
    {
        runOnMainThreadAndWait([this, request] {
            if (m_model)
                m_model->requestDropped(request);
        });
    }

private:
    QPointer<remoteFileBrowserHelper> m_model;
};

remoteFileBrowserHelper::remoteFileBrowserHelper(QObject *parent)
    : QAbstractItemModel(parent), m_top(std::make_unique<Row>()),
      m_delegate(std::make_shared<OperationDelegate>(this))
{
    m_expandTimer.setSingleShot(true);
    m_expandTimer.setInterval(ExpandHoverMs);
    connect(&m_expandTimer, &QTimer::timeout, this, &remoteFileBrowserHelper::syncAndExpand);
    RemoteTreeObserver::addObserver(this);
    // Posted on whatever thread changed the status; only an end is worth the main thread's time.
    QPointer<remoteFileBrowserHelper> self(this);
    NotificationCenter::defaultCenter().addObserver(
        this, NotificationNames::UploadEventStatusUpdate, [self](const Notification &notification) {
            const auto status = notification.object().value<UploadStatusPtr>();
            if (!status || status->status() != UploadStatusEnd)
                return;
            runOnMainThreadAndWait([self, status] {
                if (self)
                    self->uploadStatusNotification(status);
            });
        });
}

remoteFileBrowserHelper::~remoteFileBrowserHelper()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    RemoteTreeObserver::removeObserver(this);
    m_expandTimer.stop();
}

// ---- Rows and nodes ---------------------------------------------------------------------------

std::shared_ptr<soapRemoteFolderBrowser> remoteFileBrowserHelper::root() const
{
    return commsGlobal ? commsGlobal->results().remoteFolderBrowser() : nullptr;
}

// The root's row is made when first asked for: the model exists before the tree's records do.
remoteFileBrowserHelper::Row *remoteFileBrowserHelper::rootRow() const
{
    if (m_top->children.empty()) {
        const auto node = root();
        if (!node)
            return nullptr;
        auto *self = const_cast<remoteFileBrowserHelper *>(this);
        m_top->children.push_back(self->makeRow(node, m_top.get()));
    }
    return m_top->children.front().get();
}

std::unique_ptr<remoteFileBrowserHelper::Row>
remoteFileBrowserHelper::makeRow(const RemoteTreeEntryPtr &entry, Row *parent)
{
    auto row = std::make_unique<Row>();
    row->entry = entry;
    row->kind = kindOf(entry.get());
    row->parent = parent;
    m_rows.insert(entry.get(), row.get());
    if (const auto container = std::dynamic_pointer_cast<soapRemoteContainer>(entry)) {
        const QList<RemoteTreeEntryPtr> children = shownChildren(*container);
        row->children.reserve(size_t(children.size()));
        for (const RemoteTreeEntryPtr &child : children)
            row->children.push_back(makeRow(child, row.get()));
        renumber(row.get(), 0);
    }
    return row;
}

remoteFileBrowserHelper::Row *remoteFileBrowserHelper::rowFor(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Row *>(index.internalPointer()) : m_top.get();
}

remoteFileBrowserHelper::Row *remoteFileBrowserHelper::rowForNode(const RemoteTreeEntry *node) const
{
    if (!node)
        return nullptr;
    rootRow();
    return m_rows.value(node);
}

QModelIndex remoteFileBrowserHelper::indexFor(const Row *row, int column) const
{
    if (!row || row == m_top.get())
        return {};
    return createIndex(int(row->row), column, const_cast<Row *>(row));
}

RemoteTreeEntryPtr remoteFileBrowserHelper::nodeForIndex(const QModelIndex &index) const
{
    return index.isValid() ? rowFor(index)->entry : nullptr;
}

QModelIndex remoteFileBrowserHelper::indexForNode(const RemoteTreeEntry *node, int column) const
{
    return indexFor(rowForNode(node), column);
}

QModelIndex remoteFileBrowserHelper::rootIndex() const
{
    return indexFor(rootRow());
}

remoteFileBrowserHelper::NodeKind remoteFileBrowserHelper::kindOf(const RemoteTreeEntry *node)
{
    if (dynamic_cast<const soapRemoteFolderBrowser *>(node))
        return NodeKind::Root;
    if (dynamic_cast<const soapRemoteFolderItem *>(node))
        return NodeKind::Album;
    if (dynamic_cast<const soapRemoteFileItem *>(node))
        return NodeKind::Asset;
    if (dynamic_cast<const createFolderTempItem *>(node))
        return NodeKind::Placeholder;
    return NodeKind::None;
}

QModelIndex remoteFileBrowserHelper::index(int row, int column, const QModelIndex &parent) const
{
    if (column < 0 || column >= ColumnCount || parent.column() > 0)
        return {};
    if (!parent.isValid() && !rootRow())
        return {};
    const Row *parentRow = rowFor(parent);
    if (row < 0 || row >= qsizetype(parentRow->children.size()))
        return {};
    return createIndex(row, column, parentRow->children[size_t(row)].get());
}

QModelIndex remoteFileBrowserHelper::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    return indexFor(rowFor(child)->parent);
}

int remoteFileBrowserHelper::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    if (!parent.isValid())
        return rootRow() ? 1 : 0;
    return int(rowFor(parent)->children.size());
}

int remoteFileBrowserHelper::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

bool remoteFileBrowserHelper::hasChildren(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return false;
    if (!parent.isValid())
        return rowCount() > 0;
    // Every album can be opened: its contents are listed when it is.
    return rowFor(parent)->kind != NodeKind::Asset;
}

// ---- Cells ------------------------------------------------------------------------------------

QString remoteFileBrowserHelper::labelForColumn(int column, const RemoteTreeEntry *node) const
{
    const NodeKind kind = kindOf(node);
    if (column == FileColumn) {
        switch (kind) {
        case NodeKind::None:
            return node ? QString() : QStringLiteral("/Root");
        case NodeKind::Root:
            return commsGlobal ? commsGlobal->getRemotePath() : QString();
        case NodeKind::Album:
            return static_cast<const soapRemoteFolderItem *>(node)->strName();
        case NodeKind::Placeholder:
            return static_cast<const createFolderTempItem *>(node)->tempName();
        case NodeKind::Asset:
            return static_cast<const soapRemoteFileItem *>(node)->strFilename();
        }
    }
    if (column == SizeColumn) {
        switch (kind) {
        case NodeKind::Root:
        case NodeKind::Album:
        case NodeKind::Placeholder:
            return QString();
        case NodeKind::Asset:
            return commsGlobals::convertBytesToString(
                static_cast<const soapRemoteFileItem *>(node)->nFilesize().toULongLong());
        case NodeKind::None:
            return node ? QString() : QStringLiteral("-");
        }
    }
    return {};
}

bool remoteFileBrowserHelper::nameEditableForItem(const RemoteTreeEntry *node) const
{
    switch (kindOf(node)) {
    case NodeKind::Placeholder:
        // Its name is on its way to the server once committed.
        return !m_creating.contains(node);
    case NodeKind::Album: {
        if (!commsGlobal)
            return false;
        const soapLogin &rights = commsGlobal->results().login();
        const auto *album = static_cast<const soapRemoteFolderItem *>(node);
        const bool right = album->bIsTopLevel() ? rights.bRenameTopLevelAlbum() : rights.bRenameSubAlbum();
        return right && album->bCanRename();
    }
    case NodeKind::Asset:
        return commsGlobal && commsGlobal->results().login().bRenameAsset() &&
               static_cast<const soapRemoteFileItem *>(node)->bCanRename();
    case NodeKind::Root:
    case NodeKind::None:
        break;
    }
    return false;
}

bool remoteFileBrowserHelper::hasPendingAsyncOpForItem(const RemoteTreeEntry *node) const
{
    const auto *base = dynamic_cast<const soapRemoteBase *>(node);
    return base && base->hasPendingAsyncOp();
}

void remoteFileBrowserHelper::setPendingAsyncOpForItem(const RemoteTreeEntryPtr &node, bool pending)
{
    const auto base = std::dynamic_pointer_cast<soapRemoteBase>(node);
    if (!base)
        return;
    if (pending && base->hasPendingAsyncOp())
        VENDRA_DIAG(QStringLiteral("Multiple pending ops - <%1>").arg(base->fullRemotePath()));
    base->setPendingAsyncOp(pending);
    if (Row *row = rowForNode(node.get())) {
        // While the server works on a node its children are out of reach: no drop, rename or delete.
        syncRows(row);
        Q_EMIT dataChanged(indexFor(row, ProgressColumn), indexFor(row, SizeColumn));
    }
}

QList<RemoteTreeEntryPtr> remoteFileBrowserHelper::shownChildren(const soapRemoteContainer &container)
{
    if (container.hasPendingAsyncOp())
        return {};
    return container.childrenSnapshot();
}

QVariant remoteFileBrowserHelper::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const RemoteTreeEntry *node = rowFor(index)->entry.get();
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == ProgressColumn)
            return hasPendingAsyncOpForItem(node);
        return labelForColumn(index.column(), node);
    case Qt::EditRole:
        if (index.column() == FileColumn)
            return labelForColumn(FileColumn, node);
        return {};
    case NodeKindRole:
        return int(kindOf(node));
    case PendingRole:
        return hasPendingAsyncOpForItem(node);
    case EditableRole:
        return nameEditableForItem(node);
    case FileNameRole:
        if (const auto *asset = dynamic_cast<const soapRemoteFileItem *>(node))
            return asset->strFilename();
        return {};
    case FullRemotePathRole:
        if (const auto *base = dynamic_cast<const soapRemoteBase *>(node))
            return base->fullRemotePath();
        return {};
    default:
        return {};
    }
}

QVariant remoteFileBrowserHelper::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    static const QStringList identifiers = {QStringLiteral("Progress"), QStringLiteral("File"),
                                            QStringLiteral("Size")};
    if (role == ColumnIdentifierRole)
        return identifiers.at(section);
    if (role != Qt::DisplayRole)
        return {};
    if (section == FileColumn)
        return messageText(QStringLiteral("Text_RemoteColumnFile"));
    if (section == SizeColumn)
        return messageText(QStringLiteral("Text_RemoteColumnSize"));
    return QString();
}

Qt::ItemFlags remoteFileBrowserHelper::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const RemoteTreeEntry *node = rowFor(index)->entry.get();
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == FileColumn && nameEditableForItem(node))
        flags |= Qt::ItemIsEditable;
    const NodeKind kind = kindOf(node);
    if (kind == NodeKind::Root || kind == NodeKind::Album)
        flags |= Qt::ItemIsDropEnabled;
    return flags;
}

bool remoteFileBrowserHelper::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.column() != FileColumn || !index.isValid() ||
        !nameEditableForItem(rowFor(index)->entry.get()))
        return false;
    return commitName(rowFor(index), value.toString());
}

bool remoteFileBrowserHelper::commitName(Row *row, const QString &name)
{
    const RemoteTreeEntryPtr node = row->entry;
    if (hasPendingAsyncOpForItem(node.get()))
        return false;
    wsSoapAsyncOp &operations = commsGlobal->soapAsyncOp();
    const QModelIndex cell = indexFor(row, FileColumn);
    if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(node)) {
        setPendingAsyncOpForItem(album, true);
        operations.requestRenameFor(album, album->strName(), name, m_delegate);
        album->setStrName(name);
        Q_EMIT dataChanged(cell, cell);
        return true;
    }
    if (const auto asset = std::dynamic_pointer_cast<soapRemoteFileItem>(node)) {
        setPendingAsyncOpForItem(asset, true);
        operations.requestRenameFor(asset, asset->strFilename(), name, m_delegate);
        asset->setStrFilename(name);
        Q_EMIT dataChanged(cell, cell);
        return true;
    }
    if (const auto placeholder = std::dynamic_pointer_cast<createFolderTempItem>(node)) {
        // A second commit while the first is with the server would create the album twice.
        const auto parent = std::dynamic_pointer_cast<soapRemoteBase>(row->parent->entry);
        if (m_creating.contains(placeholder.get()) || !parent)
            return false;
        placeholder->setTempName(name);
        m_creating.insert(placeholder.get());
        operations.requestCreateSubFolderFor(parent, name, placeholder, QString(), m_delegate);
        Q_EMIT dataChanged(indexFor(row, ProgressColumn), indexFor(row, SizeColumn));
        return true;
    }
    return false;
}

void remoteFileBrowserHelper::abandonPlaceholder(const QModelIndex &index)
{
    const Row *row = index.isValid() ? rowFor(index) : nullptr;
    const auto placeholder = row ? std::dynamic_pointer_cast<createFolderTempItem>(row->entry) : nullptr;
    if (!placeholder || m_creating.contains(placeholder.get()))
        return;
    if (const auto container = std::dynamic_pointer_cast<soapRemoteContainer>(row->parent->entry))
        container->removeChild(placeholder);
}

// ---- Opening ----------------------------------------------------------------------------------

bool remoteFileBrowserHelper::shouldExpandItem(const QModelIndex &index)
{
    const RemoteTreeEntryPtr node = nodeForIndex(index);
    const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(node);
    if (!album)
        return kindOf(node.get()) != NodeKind::Asset;
    if (album->hasPendingAsyncOp())
        return false;
    if (album->contentsKnown())
        return m_bAllowExpanding;
    if (!m_bDragDropActive) {
        requestContents(album);
        return false;
    }
    if (!m_bAllowExpanding)
        return false;
    if (m_expandTimer.isActive() && m_expandTimerAlbum.lock() == album)
        return false;
    m_expandTimer.stop();
    m_expandTimerAlbum = album;
    m_expandTimer.start();
    return false;
}

void remoteFileBrowserHelper::syncAndExpand()
{
    const auto album = m_expandTimerAlbum.lock();
    m_expandTimer.stop();
    m_expandTimerAlbum.reset();
    if (album && !album->hasPendingAsyncOp())
        requestContents(album);
}

void remoteFileBrowserHelper::requestContents(const std::shared_ptr<soapRemoteFolderItem> &album)
{
    setPendingAsyncOpForItem(album, true);
    commsGlobal->soapAsyncOp().requestGetFolderContentsFor(album, m_delegate);
}

void remoteFileBrowserHelper::dragdropActive(bool active)
{
    m_bDragDropActive = active;
    m_expandTimer.stop();
    m_expandTimerAlbum.reset();
}

void remoteFileBrowserHelper::allowExpanding(bool allow)
{
    m_bAllowExpanding = allow;
}

void remoteFileBrowserHelper::expandItem(const RemoteTreeEntryPtr &node)
{
    Row *row = rowForNode(node.get());
    if (!row)
        return;
    syncRows(row);
    Q_EMIT expandRequested(indexFor(row));
}

// ---- Commands ---------------------------------------------------------------------------------

QList<soapRemoteBasePtr> remoteFileBrowserHelper::deletableItems(const QModelIndexList &rows) const
{
    QList<Row *> selected;
    for (const QModelIndex &index : rows) {
        Row *row = index.isValid() ? rowFor(index) : nullptr;
        if (row && !selected.contains(row))
            selected.append(row);
    }
    // Row order from the top of the tree: compare the chains of row numbers.
    const auto chain = [](const Row *row) {
        QList<qsizetype> numbers;
        for (; row && row->parent; row = row->parent)
            numbers.prepend(row->row);
        return numbers;
    };
    std::stable_sort(selected.begin(), selected.end(),
                     [&](const Row *a, const Row *b) { return chain(a) < chain(b); });
    QList<soapRemoteBasePtr> items;
    for (const Row *row : std::as_const(selected)) {
        if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(row->entry)) {
            if (album->bCanDelete())
                items.append(album);
        } else if (const auto asset = std::dynamic_pointer_cast<soapRemoteFileItem>(row->entry)) {
            if (asset->bCanDelete())
                items.append(asset);
        }
    }
    return items;
}

int remoteFileBrowserHelper::deleteItems(const QModelIndexList &rows)
{
    const QList<soapRemoteBasePtr> items = deletableItems(rows);
    if (items.isEmpty())
        return 0;
    for (const soapRemoteBasePtr &item : items)
        setPendingAsyncOpForItem(item, true);
    commsGlobal->soapAsyncOp().requestDeleteFor(items, m_delegate);
    return int(items.size());
}

bool remoteFileBrowserHelper::createFolderUnder(const QModelIndex &target)
{
    const RemoteTreeEntryPtr node = nodeForIndex(target);
    if (const auto rootNode = std::dynamic_pointer_cast<soapRemoteFolderBrowser>(node)) {
        addPlaceholder(rootNode);
        return true;
    }
    const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(node);
    if (!album)
        return false;
    if (album->contentsKnown() && !album->hasPendingAsyncOp()) {
        addPlaceholder(album);
        return true;
    }
    // Listed first, so the placeholder lands at the end of the loaded list; an album whose rename or
    // delete is under way is asked again once that is over (it may be gone by then).
    const std::weak_ptr<soapRemoteFolderItem> weakAlbum = album;
    QPointer<remoteFileBrowserHelper> self(this);
    album->setAsyncCompleteCallback([self, weakAlbum] {
        if (const auto waited = weakAlbum.lock(); waited && self)
            self->createFolderUnder(self->indexForNode(waited.get()));
    });
    if (!album->hasPendingAsyncOp())
        requestContents(album);
    return true;
}

void remoteFileBrowserHelper::addPlaceholder(const std::shared_ptr<soapRemoteBase> &target)
{
    auto placeholder = std::make_shared<createFolderTempItem>(QStringLiteral("New Folder"));
    if (const auto rootNode = std::dynamic_pointer_cast<soapRemoteFolderBrowser>(target))
        rootNode->addTempChild(placeholder);
    else if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(target))
        album->addTempChild(placeholder);
    else
        return;
    reloadAnItemAndChildren(target.get());
    Q_EMIT expandRequested(indexForNode(target.get()));
    const QModelIndex index = indexForNode(placeholder.get());
    if (index.isValid())
        Q_EMIT placeholderReady(index);
}

bool remoteFileBrowserHelper::uploadFiles(const QList<QUrl> &items, const QModelIndex &target)
{
    const auto node = std::dynamic_pointer_cast<soapRemoteBase>(nodeForIndex(target));
    if (!node || !commsGlobal)
        return false;
    return DropUpload::uploadFiles(items, node, commsGlobal->uploadQueue()).has_value();
}

void remoteFileBrowserHelper::clearPendingDataFlags()
{
    QPointer<remoteFileBrowserHelper> self(this);
    runOnMainThread([self] {
        if (!self)
            return;
        if (const auto node = self->root())
            node->clearPendingFilesFlags();
        self->reloadAll();
    });
}

void remoteFileBrowserHelper::clearData()
{
    if (const auto node = root())
        node->clear();
    reloadAll();
}

void remoteFileBrowserHelper::reloadAll()
{
    Row *top = rootRow();
    if (!top)
        return;
    QList<Row *> pending{top};
    while (!pending.isEmpty()) {
        Row *row = pending.takeLast();
        reloadAnItemAndChildren(row->entry.get());
        for (const auto &child : row->children) {
            if (!child->children.empty())
                pending.append(child.get());
        }
    }
}

void remoteFileBrowserHelper::reloadAnItemAndChildren(const RemoteTreeEntry *node)
{
    Row *row = rowForNode(node);
    if (!row)
        return;
    syncRows(row);
    refreshCells(row);
}

void remoteFileBrowserHelper::refreshCells(Row *row)
{
    Q_EMIT dataChanged(indexFor(row, ProgressColumn), indexFor(row, SizeColumn));
    if (row->children.empty())
        return;
    // One signal for the whole list, however long it is.
    const QModelIndex parentIndex = indexFor(row);
    Q_EMIT dataChanged(index(0, ProgressColumn, parentIndex),
                       index(int(row->children.size()) - 1, SizeColumn, parentIndex));
}

// ---- The mirror -------------------------------------------------------------------------------

void remoteFileBrowserHelper::insertRows(Row *parent, qsizetype position,
                                         const QList<RemoteTreeEntryPtr> &entries)
{
    if (entries.isEmpty())
        return;
    beginInsertRows(indexFor(parent), int(position), int(position + entries.size() - 1));
    std::vector<std::unique_ptr<Row>> rows;
    rows.reserve(size_t(entries.size()));
    for (const RemoteTreeEntryPtr &entry : entries)
        rows.push_back(makeRow(entry, parent));
    parent->children.insert(parent->children.begin() + position, std::make_move_iterator(rows.begin()),
                            std::make_move_iterator(rows.end()));
    renumber(parent, position);
    endInsertRows();
}

void remoteFileBrowserHelper::removeRows(Row *parent, qsizetype first, qsizetype last)
{
    beginRemoveRows(indexFor(parent), int(first), int(last));
    dropRows(parent, first, last);
    endRemoveRows();
}

void remoteFileBrowserHelper::dropRows(Row *parent, qsizetype first, qsizetype last)
{
    for (qsizetype i = first; i <= last; ++i)
        forget(parent->children[size_t(i)].get());
    parent->children.erase(parent->children.begin() + first, parent->children.begin() + last + 1);
    renumber(parent, first);
}

void remoteFileBrowserHelper::forget(Row *row)
{
    for (const auto &child : row->children)
        forget(child.get());
    if (m_rows.value(row->entry.get()) == row)
        m_rows.remove(row->entry.get());
}

void remoteFileBrowserHelper::renumber(Row *parent, qsizetype from)
{
    for (qsizetype i = from; i < qsizetype(parent->children.size()); ++i)
        parent->children[size_t(i)]->row = i;
}

void remoteFileBrowserHelper::syncRows(Row *row)
{
    const auto container = std::dynamic_pointer_cast<soapRemoteContainer>(row->entry);
    if (!container)
        return;
    const QList<RemoteTreeEntryPtr> current = shownChildren(*container);
    if (qsizetype(row->children.size()) == current.size()) {
        bool same = true;
        for (qsizetype i = 0; same && i < current.size(); ++i)
            same = row->children[size_t(i)]->entry == current.at(i);
        if (same)
            return;
    }

    // Rows whose node left go first, in runs from the end.
    QSet<const RemoteTreeEntry *> currentSet;
    currentSet.reserve(current.size());
    for (const RemoteTreeEntryPtr &entry : current)
        currentSet.insert(entry.get());
    for (qsizetype last = qsizetype(row->children.size()) - 1; last >= 0; --last) {
        if (currentSet.contains(row->children[size_t(last)]->entry.get()))
            continue;
        qsizetype first = last;
        while (first > 0 && !currentSet.contains(row->children[size_t(first - 1)]->entry.get()))
            --first;
        removeRows(row, first, last);
        last = first;
    }

    // Then new nodes are inserted where they stand. The tree never reorders a list, so a shown node
    // out of place means the mirror went wrong: its row is dropped and made again.
    QSet<const RemoteTreeEntry *> shown;
    for (const auto &child : row->children)
        shown.insert(child->entry.get());
    qsizetype position = 0;
    for (qsizetype i = 0; i < current.size();) {
        const RemoteTreeEntry *entry = current.at(i).get();
        if (position < qsizetype(row->children.size()) &&
            row->children[size_t(position)]->entry.get() == entry) {
            ++position;
            ++i;
        } else if (shown.contains(entry)) {
            shown.remove(row->children[size_t(position)]->entry.get());
            removeRows(row, position, position);
        } else {
            qsizetype end = i + 1;
            while (end < current.size() && !shown.contains(current.at(end).get()))
                ++end;
            insertRows(row, position, current.mid(i, end - i));
            position += end - i;
            i = end;
        }
    }
    if (position < qsizetype(row->children.size()))
        removeRows(row, position, qsizetype(row->children.size()) - 1);
}

void remoteFileBrowserHelper::remoteChildrenAboutToChange(soapRemoteContainer *container,
                                                          const RemoteTreeChange &change)
{
    if (!isMainThread() || m_changing.container)
        return;
    Row *row = m_rows.value(container);
    // A node with an operation under way shows no children, whatever the change.
    if (!row || container->hasPendingAsyncOp())
        return;
    const qsizetype shown = qsizetype(row->children.size());
    // Announced exactly only while the rows match the list; otherwise the end of the change compares.
    if (shown != container->childCount())
        return;
    const QModelIndex parentIndex = indexFor(row);
    switch (change.kind) {
    case RemoteTreeChange::Insert:
        if (change.first != shown || change.count < 1)
            return;
        beginInsertRows(parentIndex, int(change.first), int(change.first + change.count - 1));
        break;
    case RemoteTreeChange::Remove:
        if (change.first < 0 || change.first >= shown ||
            row->children[size_t(change.first)]->entry != container->childrenSnapshot().value(change.first))
            return;
        beginRemoveRows(parentIndex, int(change.first), int(change.first));
        break;
    case RemoteTreeChange::Replace:
        if (shown > 0)
            beginRemoveRows(parentIndex, 0, int(shown - 1));
        break;
    }
    m_changing = {container, change, true};
}

void remoteFileBrowserHelper::remoteChildrenChanged(soapRemoteContainer *container,
                                                    const RemoteTreeChange &change)
{
    if (!isMainThread()) {
        // Changed off the main thread (it should not be): the rows catch up there.
        const std::weak_ptr<soapRemoteBase> weak = container->weak_from_this();
        QPointer<remoteFileBrowserHelper> self(this);
        runOnMainThread([self, weak] {
            if (const auto node = weak.lock(); node && self)
                self->reloadAnItemAndChildren(node.get());
        });
        return;
    }
    Row *row = m_rows.value(container);
    if (m_changing.container != container) {
        if (row && !m_changing.container)
            syncRows(row);
        return;
    }
    const Change announced = std::exchange(m_changing, {});
    switch (change.kind) {
    case RemoteTreeChange::Insert: {
        const QList<RemoteTreeEntryPtr> current = container->childrenSnapshot();
        std::vector<std::unique_ptr<Row>> rows;
        for (qsizetype i = announced.change.first; i < announced.change.first + announced.change.count; ++i)
            rows.push_back(makeRow(current.value(i), row));
        row->children.insert(row->children.begin() + announced.change.first,
                             std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
        renumber(row, announced.change.first);
        endInsertRows();
        break;
    }
    case RemoteTreeChange::Remove:
        dropRows(row, announced.change.first, announced.change.first);
        endRemoveRows();
        break;
    case RemoteTreeChange::Replace:
        if (!row->children.empty()) {
            dropRows(row, 0, qsizetype(row->children.size()) - 1);
            endRemoveRows();
        }
        insertRows(row, 0, container->childrenSnapshot());
        break;
    }
    // A change that did not go as announced is caught here.
    syncRows(row);
}

// ---- Outcomes ---------------------------------------------------------------------------------

void remoteFileBrowserHelper::soapAsyncRequestCompleted(const std::shared_ptr<asyncRequestInfo> &request)
{
    // A command that waited for this operation ("New Album" on an album being listed or renamed)
    // runs once the operation is over; after a listing that failed it is dropped.
    const soapRemoteBasePtr item = request->item();
    soapResultsBase::Callback waiting;
    if (item) {
        waiting = item->asyncCompleteCallback();
        item->setAsyncCompleteCallback({});
    }
    switch (request->requestType()) {
    case asyncRequestInfo::GetFolderContents:
        applyFetch(request);
        break;
    case asyncRequestInfo::RenameItem:
        applyRename(request);
        break;
    case asyncRequestInfo::DeleteItem:
        applyDelete(request);
        break;
    case asyncRequestInfo::CreateFolderByRenameTemp:
        applyCreate(request);
        break;
    default:
        break;
    }
    const bool listingFailed = request->requestType() == asyncRequestInfo::GetFolderContents &&
                               (!request->bSucceeded() || request->error());
    if (waiting && !listingFailed && !item->hasPendingAsyncOp())
        waiting();
}

void remoteFileBrowserHelper::applyFetch(const std::shared_ptr<asyncRequestInfo> &request)
{
    const soapRemoteBasePtr item = request->item();
    setPendingAsyncOpForItem(item, false);
    // A listing that failed is not an empty album: it stays closed, to be tried again when opened.
    if (request->bSucceeded() && !request->error()) {
        reloadAnItemAndChildren(item.get());
        expandItem(item);
    } else {
        VENDRA_DIAG(QStringLiteral("Failed Get Folder Contents."));
        logEvent(QStringLiteral("Failed to create Album"), QString());
    }
}

void remoteFileBrowserHelper::applyRename(const std::shared_ptr<asyncRequestInfo> &request)
{
    const soapRemoteBasePtr item = request->item();
    if (request->bSucceeded()) {
        if (std::dynamic_pointer_cast<soapRemoteFolderItem>(item))
            commsGlobal->registry().renameRemoteAlbumPath(item->fullRemotePath(), request->oldName(),
                                                          request->theNewName());
    } else {
        if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(item))
            album->setStrName(request->oldName());
        else if (const auto asset = std::dynamic_pointer_cast<soapRemoteFileItem>(item))
            asset->setStrFilename(request->oldName());
        VENDRA_DIAG(QStringLiteral("Failed rename."));
        logEvent(QStringLiteral("Rename failed for item"), request->oldName());
        const QModelIndex cell = indexForNode(item.get(), FileColumn);
        if (cell.isValid())
            Q_EMIT dataChanged(cell, cell);
    }
    setPendingAsyncOpForItem(item, false);
}

void remoteFileBrowserHelper::applyDelete(const std::shared_ptr<asyncRequestInfo> &request)
{
    const soapRemoteBasePtr item = request->item();
    if (!item)
        return;
    const QString name = nameOf(item.get());
    const auto failed = [&](const char *which) {
        VENDRA_DIAG(QStringLiteral("Delete failed (%1)").arg(QLatin1String(which)));
        logEvent(QStringLiteral("Failed to delete item"), name);
    };
    if (!request->bSucceeded()) {
        failed("0");
    } else if (const Row *row = rowForNode(item.get()); row && row->parent != m_top.get()) {
        const RemoteTreeEntryPtr parentNode = row->parent->entry;
        const auto container = std::dynamic_pointer_cast<soapRemoteContainer>(parentNode);
        const bool underRoot = kindOf(parentNode.get()) == NodeKind::Root;
        if (!container || !container->removeChild(item))
            failed(underRoot ? "2" : "3");
        reloadAnItemAndChildren(parentNode.get());
    } else {
        VENDRA_DIAG(QStringLiteral("Deleted Object has missing Parent."));
        if (const auto asset = std::dynamic_pointer_cast<soapRemoteFileItem>(item)) {
            const soapRemoteBasePtr holder =
                commsGlobal->registry().findRemoteAlbumByID(asset->nAlbumID().toLongLong());
            const auto container = std::dynamic_pointer_cast<soapRemoteContainer>(holder);
            if (!container || !container->removeAsset(asset->nAssetID().toLongLong()))
                failed(kindOf(holder.get()) == NodeKind::Root ? "2" : "3");
            if (holder)
                reloadAnItemAndChildren(holder.get());
        }
    }
    if (request->bSucceeded()) {
        if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(item))
            album->releaseFolderContents(true);
    }
    setPendingAsyncOpForItem(item, false);
}

void remoteFileBrowserHelper::applyCreate(const std::shared_ptr<asyncRequestInfo> &request)
{
    const soapRemoteBasePtr parentNode = request->item();
    const std::shared_ptr<createFolderTempItem> placeholder = request->tempFolder();
    m_creating.remove(placeholder.get());
    if (const auto container = std::dynamic_pointer_cast<soapRemoteContainer>(parentNode))
        container->removeChild(placeholder);
    reloadAnItemAndChildren(parentNode.get());
    if (request->bSucceeded()) {
        expandItem(parentNode);
        const QModelIndex created = indexForNode(request->createdAlbum().get());
        if (created.isValid())
            Q_EMIT selectRequested(created);
        setPendingAsyncOpForItem(request->createdAlbum(), false);
    } else {
        VENDRA_DIAG(QStringLiteral("Create Folder By Rename Temp failed"));
        logEvent(QStringLiteral("Failed to create folder"), request->theNewName());
    }
}

void remoteFileBrowserHelper::requestDropped(const std::shared_ptr<asyncRequestInfo> &request)
{
    // Nothing will answer: the marks set for the request go, and so does a placeholder.
    setPendingAsyncOpForItem(request->item(), false);
    for (const soapRemoteBasePtr &item : request->items())
        setPendingAsyncOpForItem(item, false);
    if (const std::shared_ptr<createFolderTempItem> placeholder = request->tempFolder()) {
        m_creating.remove(placeholder.get());
        if (const auto container = std::dynamic_pointer_cast<soapRemoteContainer>(request->item()))
            container->removeChild(placeholder);
    }
    if (const soapRemoteBasePtr item = request->item())
        item->setAsyncCompleteCallback({});
}

void remoteFileBrowserHelper::uploadStatusNotification(const QSharedPointer<UploadStatus> &status)
{
    if (!status || status->status() != UploadStatusEnd || !commsGlobal)
        return;
    const QString path = status->eUploadType() == UploadCommandGetFolderContents
                             ? status->getRemoteFolderContentsFullPath()
                             : status->remoteFolderParentName();
    const soapRemoteBasePtr album = commsGlobal->registry().findRemoteAlbumByName(path);
    Row *row = rowForNode(album.get());
    if (!row)
        return;
    reloadAnItemAndChildren(album.get());
    if (status->eUploadType() != UploadCommandFile)
        return;
    // The albums among the children in turn; the assets' cells were refreshed with the list.
    QList<const RemoteTreeEntry *> albums;
    for (const auto &child : row->children) {
        if (child->kind == NodeKind::Album)
            albums.append(child->entry.get());
    }
    for (const RemoteTreeEntry *child : std::as_const(albums))
        reloadAnItemAndChildren(child);
}

// ---- Drops ------------------------------------------------------------------------------------

QStringList remoteFileBrowserHelper::mimeTypes() const
{
    return {UriListType, QString::fromLatin1(kLocalFilesMimeType)};
}

Qt::DropActions remoteFileBrowserHelper::supportedDropActions() const
{
    return Qt::CopyAction;
}

QStringList remoteFileBrowserHelper::droppedPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data)
        return paths;
    if (data->hasFormat(UriListType)) {
        // Percent-encoded, possibly with a trailing slash on folders; other schemes are not files.
        const QList<QUrl> urls = data->urls();
        for (const QUrl &url : urls) {
            if (url.isLocalFile())
                paths.append(QDir::cleanPath(url.toLocalFile()));
        }
        return paths;
    }
    const QString type = QString::fromLatin1(kLocalFilesMimeType);
    if (data->hasFormat(type)) {
        const QStringList lines = QString::fromUtf8(data->data(type)).split(u'\n', Qt::SkipEmptyParts);
        for (const QString &line : lines)
            paths.append(QDir::cleanPath(line));
    }
    return paths;
}

bool remoteFileBrowserHelper::canDropMimeData(const QMimeData *data, Qt::DropAction action, int, int,
                                              const QModelIndex &parent) const
{
    // Where a drop lands between rows, Qt names the album around them: that is the target.
    if (action != Qt::CopyAction || !parent.isValid())
        return false;
    const QStringList paths = droppedPaths(data);
    if (paths.isEmpty())
        return false;
    switch (kindOf(rowFor(parent)->entry.get())) {
    case NodeKind::Album:
        return true;
    case NodeKind::Root:
        // Only folders become top-level albums; one file among them refuses the whole drop.
        return DropUpload::allFolders(paths);
    default:
        return false;
    }
}

bool remoteFileBrowserHelper::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                           const QModelIndex &parent)
{
    allowExpanding(true);
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    QList<QUrl> urls;
    const QStringList paths = droppedPaths(data);
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    return uploadFiles(urls, parent);
}
