#include "localfs/FileSystemRoot.h"

#include "localfs/FileSystemItem.h"
#include "settings/Preferences.h"

#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

namespace {

QString pathOf(const QUrl &url)
{
    return FileSystemItem::normalisedPath(url.toLocalFile());
}

} // namespace

FileSystemRoot::FileSystemRoot(const QString &name, const QStringList &children, const QString &saveKey,
                               QObject *parent)
    : FileSystemRoot(name, saveKey, parent)
{
    offerChildPaths(children);
}

FileSystemRoot::FileSystemRoot(const QString &name, const QString &saveKey, QObject *parent)
    : m_name(name), m_saveKey(saveKey)
{
    setParent(parent);
}

FileSystemRoot::~FileSystemRoot() = default;

void FileSystemRoot::offerChildPaths(const QStringList &paths)
{
    for (const QString &path : paths)
        addChildPath(QUrl::fromLocalFile(path));
}

void FileSystemRoot::sizeChanged()
{
    if (m_sizeChangeCallback)
        m_sizeChangeCallback(this);
}

FileSystemItem *FileSystemRoot::childAtIndex(qsizetype index)
{
    if (index < 0 || index >= qsizetype(m_children.size()))
        return nullptr;
    return m_children[size_t(index)].get();
}

qsizetype FileSystemRoot::indexOfChild(const FileSystemItem *item) const
{
    const auto found = std::find_if(m_children.begin(), m_children.end(),
                                    [item](const auto &child) { return child.get() == item; });
    return found == m_children.end() ? -1 : qsizetype(found - m_children.begin());
}

QList<FileSystemItem *> FileSystemRoot::children() const
{
    QList<FileSystemItem *> result;
    result.reserve(qsizetype(m_children.size()));
    for (const auto &child : m_children)
        result.append(child.get());
    return result;
}

bool FileSystemRoot::addChildPath(const QUrl &url)
{
    if (isHiddenMountVolume(url) || !hasAccessPermission(url) || !isDirectory(url) || containsChildPath(url))
        return false;
    m_children.push_back(std::make_unique<FileSystemItem>(url, this));
    sizeChanged();
    return true;
}

bool FileSystemRoot::removeChildPath(const QUrl &url)
{
    const QString path = pathOf(url);
    const auto found = std::find_if(m_children.begin(), m_children.end(),
                                    [&path](const auto &child) { return child->fullPath() == path; });
    if (found == m_children.end())
        return false;
    retire(std::move(*found));
    m_children.erase(found);
    sizeChanged();
    return true;
}

bool FileSystemRoot::containsChildPath(const QUrl &url) const
{
    const QString path = pathOf(url);
    return std::any_of(m_children.begin(), m_children.end(),
                       [&path](const auto &child) { return child->fullPath() == path; });
}

bool FileSystemRoot::addChild(std::unique_ptr<FileSystemItem> &item)
{
    if (!item || item->parentNode() != this || containsChild(item.get()))
        return false;
    m_children.push_back(std::move(item));
    sizeChanged();
    return true;
}

bool FileSystemRoot::removeChild(FileSystemItem *item)
{
    const qsizetype index = indexOfChild(item);
    if (index < 0)
        return false;
    retire(std::move(m_children[size_t(index)]));
    m_children.erase(m_children.begin() + index);
    sizeChanged();
    return true;
}

bool FileSystemRoot::containsChild(const FileSystemItem *item) const
{
    return indexOfChild(item) >= 0;
}

bool FileSystemRoot::moveChild(FileSystemItem *item, qsizetype index)
{
    const qsizetype from = indexOfChild(item);
    if (from < 0 || index < 0 || index >= qsizetype(m_children.size()))
        return false;
    std::unique_ptr<FileSystemItem> taken = std::move(m_children[size_t(from)]);
    m_children.erase(m_children.begin() + from);
    m_children.insert(m_children.begin() + index, std::move(taken));
    return true;
}

bool FileSystemRoot::isValidChildPath(const QUrl &url) const
{
    return !isHiddenMountVolume(url) && isDirectory(url);
}

bool FileSystemRoot::hasAccessPermission(const QUrl &url) const
{
    return QFileInfo(pathOf(url)).isReadable();
}

bool FileSystemRoot::isHiddenMountVolume(const QUrl &url) const
{
    const QStorageInfo storage(pathOf(url));
    return storage.isValid() && storage.fileSystemType() == "autofs";
}

bool FileSystemRoot::isDirectory(const QUrl &url) const
{
    const QString path = pathOf(url);
    return !path.isEmpty() && QFileInfo(path).isDir();
}

void FileSystemRoot::saveOpenState()
{
    QList<quint64> hashes;
    for (const auto &child : m_children)
        findOpenChildren(child.get(), hashes);
    Preferences *preferences = Preferences::init();
    preferences->setHashList(m_saveKey, hashes);
    preferences->synchronize();
}

void FileSystemRoot::findOpenChildren(FileSystemItem *item, QList<quint64> &hashes)
{
    if (!item->isOpen())
        return;
    hashes.append(item->hash());
    for (FileSystemItem *child : item->children())
        findOpenChildren(child, hashes);
}

QList<FileSystemItem *> FileSystemRoot::restoreOpenState()
{
    const QList<quint64> stored = Preferences::init()->hashList(m_saveKey);
    const QSet<quint64> hashes(stored.begin(), stored.end());
    QList<FileSystemItem *> items;
    if (hashes.isEmpty())
        return items;
    for (const auto &child : m_children)
        openChildren(child.get(), hashes, items);
    return items;
}

void FileSystemRoot::openChildren(FileSystemItem *item, const QSet<quint64> &hashes,
                                  QList<FileSystemItem *> &items)
{
    if (!hashes.contains(item->hash()))
        return;
    items.append(item);
    item->open();
    for (FileSystemItem *child : item->children())
        openChildren(child, hashes, items);
}
