#pragma once

#include "localfs/FileSystemNode.h"

#include <QList>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class FileSystemItem;

// A group of the local pane (devices or places): an ordered list of top-level folders, the rules
// for accepting one, and the memory of which folders were open, kept in the settings under saveKey.
// Main thread only.
class FileSystemRoot : public FileSystemNode
{
    Q_OBJECT

public:
    using SizeChangeCallback = std::function<void(FileSystemRoot *)>;

    // Offers every path, in order, to addChildPath().
    FileSystemRoot(const QString &name, const QStringList &children, const QString &saveKey,
                   QObject *parent = nullptr);
    ~FileSystemRoot() override;

    QString name() const override { return m_name; }
    QString saveKey() const { return m_saveKey; }
    qsizetype numberOfChildren() override { return qsizetype(m_children.size()); }
    FileSystemItem *childAtIndex(qsizetype index) override;
    qsizetype indexOfChild(const FileSystemItem *item) const;
    QList<FileSystemItem *> children() const;

    // Appends a readable folder that is no automounter mount and no child yet; false otherwise.
    virtual bool addChildPath(const QUrl &url);
    // Removes (and destroys) the first child of that path; false when there is none.
    virtual bool removeChildPath(const QUrl &url);
    bool containsChildPath(const QUrl &url) const;
    // Takes an item made with this root as parent; on refusal the caller keeps it.
    virtual bool addChild(std::unique_ptr<FileSystemItem> &item);
    // Removes (and destroys) the item when it is a child.
    virtual bool removeChild(FileSystemItem *item);
    bool containsChild(const FileSystemItem *item) const;
    // Moves a child to index (counted after taking it out); false for an index outside the list.
    virtual bool moveChild(FileSystemItem *item, qsizetype index);

    bool isValidChildPath(const QUrl &url) const;
    bool hasAccessPermission(const QUrl &url) const;
    // True for a path on a file system of type "autofs".
    bool isHiddenMountVolume(const QUrl &url) const;
    bool isDirectory(const QUrl &url) const;

    // Called after the list grew or shrank.
    void setSizeChangeCallback(SizeChangeCallback callback) { m_sizeChangeCallback = std::move(callback); }

    // Stores the hashes of the open folders, each parent before its open descendants.
    void saveOpenState();
    // Opens the folders stored by saveOpenState() and returns them, each parent before its descendants.
    QList<FileSystemItem *> restoreOpenState();

protected:
    // For subclasses, which offer their paths themselves so that their own addChildPath() runs.
    FileSystemRoot(const QString &name, const QString &saveKey, QObject *parent);
    void offerChildPaths(const QStringList &paths);
    void sizeChanged();

private:
    static void findOpenChildren(FileSystemItem *item, QList<quint64> &hashes);
    static void openChildren(FileSystemItem *item, const QSet<quint64> &hashes,
                             QList<FileSystemItem *> &items);

    QString m_name;
    QString m_saveKey;
    std::vector<std::unique_ptr<FileSystemItem>> m_children;
    SizeChangeCallback m_sizeChangeCallback;
};
