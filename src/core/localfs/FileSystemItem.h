#pragma once

#include "localfs/FileSystemNode.h"

#include <QFileInfo>
#include <QList>
#include <QUrl>

#include <memory>
#include <optional>
#include <vector>

// One file or folder of the local disk as the local pane shows it, with a list of children made the
// first time it is asked for. The flags are taken once, when the item is made. Main thread only.
class FileSystemItem : public FileSystemNode
{
    Q_OBJECT

public:
    // parent is the root for a top-level item, the folder's item otherwise; it does not own the item.
    FileSystemItem(const QUrl &filePath, FileSystemNode *parent);
    // For an entry of a listing: takes the flags from what the listing already knows.
    FileSystemItem(const QFileInfo &entry, FileSystemNode *parent);
    ~FileSystemItem() override;

    // The last path component ("/" shows as the computer's name).
    QString name() const override;
    QUrl url() const { return m_filePath; }
    // Absolute, no trailing "/", percent escapes decoded.
    QString fullPath() const { return m_fullPath; }
    QString relativePath() const;
    // The full file-URL form.
    QString absolutePath() const;
    // A fixed function of the URL text: the same path hashes alike in every run.
    quint64 hash() const;

    FileSystemNode *parentNode() const { return m_parent; }
    bool isRoot() const { return m_parent == nullptr; }
    bool isDirectory() const { return m_directory; }
    bool isPackage() const { return m_package; }
    bool isValid() const { return m_valid; }
    // Listed (possibly empty).
    bool isOpen() const { return m_children.has_value(); }

    // Lists the folder when that has not been done yet; empty for an item that cannot be listed.
    QList<FileSystemItem *> children();
    qsizetype numberOfChildren() override;
    FileSystemItem *childAtIndex(qsizetype index) override;
    qsizetype indexOfChild(const FileSystemItem *child);

    // Listing happens on demand, so opening needs nothing.
    void open() {}
    // Drops the children (see retire()); the next question about them lists the folder again.
    void close();
    // Lists the folder again. Children whose entry is still there (same path, still a file or still
    // a folder) are kept as they are, open or not; the others are dropped (see retire()) or made.
    void refreshChildren();

    // Set while the item is dragged as a place: its row shows no disclosure triangle.
    void setHidden(bool hidden) { m_hidden = hidden; }
    bool hidden() const { return m_hidden; }

    void markAsyncOperationInProgress() { ++m_asyncOperations; }
    void clearAsyncOperation();
    bool isAsyncOperationInProgress() const { return m_asyncOperations != 0; }

    // The stable hash of the URL of a path, as items hash.
    static quint64 hashForPath(const QString &fullPath);
    // path with trailing slashes dropped ("/" stays "/").
    static QString normalisedPath(const QString &path);

private:
    void list();

    QUrl m_filePath;
    QString m_fullPath;
    FileSystemNode *m_parent;
    std::optional<std::vector<std::unique_ptr<FileSystemItem>>> m_children;
    bool m_directory = false;
    bool m_package = false;
    bool m_valid = false;
    bool m_hidden = false;
    quint64 m_asyncOperations = 0;
};
