#include "localfs/FileSystemItem.h"

#include "common/MessageText.h"

#include <QCollator>
#include <QDirIterator>
#include <QHash>

#include <algorithm>

namespace {

QString pathOfUrl(const QUrl &url)
{
    return FileSystemItem::normalisedPath(url.toLocalFile());
}

} // namespace

FileSystemItem::FileSystemItem(const QUrl &filePath, FileSystemNode *parent)
    : m_filePath(filePath), m_fullPath(pathOfUrl(filePath)), m_parent(parent)
{
    const QFileInfo info(m_fullPath);
    m_valid = !m_fullPath.isEmpty() && info.exists();
    m_directory = m_valid && info.isDir();
    // Linux desktops have no folders shown as single files, so nothing is a package.
}

FileSystemItem::FileSystemItem(const QFileInfo &entry, FileSystemNode *parent)
    : m_filePath(QUrl::fromLocalFile(entry.filePath())), m_fullPath(entry.filePath()), m_parent(parent)
{
    // A listing knows each entry's type already, so only links cost a look at the disk.
    m_valid = entry.exists();
    m_directory = m_valid && entry.isDir();
}

FileSystemItem::~FileSystemItem() = default;

QString FileSystemItem::name() const
{
    if (m_fullPath == u'/')
        return messageText(QStringLiteral("Text_ComputerFolderName"));
    return m_fullPath.mid(m_fullPath.lastIndexOf(u'/') + 1);
}

QString FileSystemItem::relativePath() const
{
    return m_filePath.toLocalFile();
}

QString FileSystemItem::absolutePath() const
{
    return m_filePath.toString(QUrl::FullyEncoded);
}

quint64 FileSystemItem::hash() const
{
    return hashForPath(m_fullPath);
}

quint64 FileSystemItem::hashForPath(const QString &fullPath)
{
    // 64-bit FNV-1a: persisted in the settings, so it must not depend on the run (qHash is seeded).
    const QByteArray text = QUrl::fromLocalFile(fullPath).toString(QUrl::FullyEncoded).toUtf8();
    quint64 hash = 14695981039346656037ULL;
    for (const char byte : text) {
        hash ^= quint8(byte);
        hash *= 1099511628211ULL;
    }
    return hash;
}

QString FileSystemItem::normalisedPath(const QString &path)
{
    QString normalised = path;
    while (normalised.size() > 1 && normalised.endsWith(u'/'))
        normalised.chop(1);
    return normalised;
}

QList<FileSystemItem *> FileSystemItem::children()
{
    list();
    QList<FileSystemItem *> result;
    if (m_children) {
        result.reserve(qsizetype(m_children->size()));
        for (const auto &child : *m_children)
            result.append(child.get());
    }
    return result;
}

qsizetype FileSystemItem::numberOfChildren()
{
    list();
    return m_children ? qsizetype(m_children->size()) : 0;
}

FileSystemItem *FileSystemItem::childAtIndex(qsizetype index)
{
    list();
    if (!m_children || index < 0 || index >= qsizetype(m_children->size()))
        return nullptr;
    return (*m_children)[size_t(index)].get();
}

qsizetype FileSystemItem::indexOfChild(const FileSystemItem *child)
{
    list();
    if (!m_children)
        return -1;
    const auto found = std::find_if(m_children->begin(), m_children->end(),
                                    [child](const auto &candidate) { return candidate.get() == child; });
    return found == m_children->end() ? -1 : qsizetype(found - m_children->begin());
}

void FileSystemItem::close()
{
    if (!m_children)
        return;
    for (auto &child : *m_children)
        retire(std::move(child));
    m_children.reset();
}

void FileSystemItem::refreshChildren()
{
    if (!m_children) {
        list();
        return;
    }
    // Entries that are still there keep their items, and with them their rows, open sub-folders and
    // selection in the pane; only what came or went (or changed between file and folder) is new.
    std::vector<std::unique_ptr<FileSystemItem>> previous = std::move(*m_children);
    m_children.reset();
    list();
    QHash<QString, size_t> byPath;
    byPath.reserve(qsizetype(previous.size()));
    for (size_t i = 0; i < previous.size(); ++i)
        byPath.insert(previous[i]->fullPath(), i);
    for (auto &child : *m_children) {
        const auto found = byPath.constFind(child->fullPath());
        if (found == byPath.constEnd())
            continue;
        std::unique_ptr<FileSystemItem> &kept = previous[*found];
        if (kept && kept->isDirectory() == child->isDirectory() && kept->isValid() == child->isValid())
            retire(std::exchange(child, std::move(kept)));
    }
    for (auto &gone : previous) {
        if (gone)
            retire(std::move(gone));
    }
}

void FileSystemItem::clearAsyncOperation()
{
    if (m_asyncOperations > 0)
        --m_asyncOperations;
}

void FileSystemItem::list()
{
    if (m_children || !m_directory || !m_valid)
        return;
    m_children.emplace();
    const QFileInfo self(m_fullPath);
    // A folder that is gone or unreadable counts as open and empty until it is closed or refreshed.
    if (!self.isDir() || !self.isReadable() || !self.isExecutable())
        return;

    // Without QDir::Hidden the dot entries stay out. System keeps sockets, devices and broken links.
    QDirIterator it(m_fullPath, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    QList<QFileInfo> entries;
    while (it.hasNext()) {
        it.next();
        entries.append(it.fileInfo());
    }

    // readdir() gives the disk's hash order, which means nothing to a person: show the names as a
    // file manager would, numbers by value and letters without regard to case.
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i)
        keys.emplace_back(collator.sortKey(entries.at(i).fileName()), i);
    std::sort(keys.begin(), keys.end(), [](const auto &a, const auto &b) {
        const int order = a.first.compare(b.first);
        return order != 0 ? order < 0 : a.second < b.second;
    });

    m_children->reserve(keys.size());
    for (const auto &key : keys)
        m_children->push_back(std::make_unique<FileSystemItem>(entries.at(key.second), this));
}
