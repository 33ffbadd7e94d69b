#include "localfs/FileSystemPlaces.h"

#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "localfs/FileSystemItem.h"
#include "settings/Preferences.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

namespace {

QStringList storedPlaces()
{
    return Preferences::init()->stringList(Preferences::KeyLocalFileSystemPlaces).value_or(QStringList());
}

void storePlaces(const QStringList &places)
{
    Preferences *preferences = Preferences::init();
    preferences->setStringList(Preferences::KeyLocalFileSystemPlaces, places);
    preferences->synchronize();
}

QString userFolder(QStandardPaths::StandardLocation location, const QString &fallbackName)
{
    // The desktop's own names for these folders (user-dirs.dirs) when it has them.
    const QString home = QDir::homePath();
    const QString folder = QStandardPaths::writableLocation(location);
    if (!folder.isEmpty() && folder != home)
        return folder;
    return home + u'/' + fallbackName;
}

} // namespace

FileSystemPlaces::FileSystemPlaces(const QString &name, const QString &bookmarksFile, QObject *parent)
    : FileSystemRoot(name, Preferences::KeyPlacesSave, parent),
      m_list(std::make_unique<DesktopBookmarks>(bookmarksFile))
{
    connect(m_list.get(), &DesktopBookmarks::changed, this, [this] {
        if (m_monitorFinderPlaces)
            syncFinderPlaces();
    });
    const std::optional<QStringList> stored =
        Preferences::init()->stringList(Preferences::KeyLocalFileSystemPlaces);
    QStringList places = stored ? *stored : createDefaults();
    offerChildPaths(places);
    // The appends made while offering are replaced by exactly the accepted paths, in their order.
    places.removeIf([this](const QString &path) { return !containsChildPath(QUrl::fromLocalFile(path)); });
    places.removeDuplicates();
    storePlaces(places);
}

FileSystemPlaces::~FileSystemPlaces() = default;

void FileSystemPlaces::setMonitorFinderPlaces(bool monitor)
{
    if (m_monitorFinderPlaces == monitor)
        return;
    m_monitorFinderPlaces = monitor;
    m_list->setWatching(monitor);
}

void FileSystemPlaces::announce()
{
    NotificationCenter::workspaceCenter().postNotificationName(NotificationNames::FileBrowserObjectChanged,
                                                               QVariant::fromValue<QObject *>(this));
}

bool FileSystemPlaces::addChildPath(const QUrl &url)
{
    // Saved searches are no folders to browse.
    if (url.fileName().contains(QStringLiteral(".cannedSearch")))
        return false;
    if (!FileSystemRoot::addChildPath(url))
        return false;
    announce();
    addPlace(FileSystemItem::normalisedPath(url.toLocalFile()));
    return true;
}

bool FileSystemPlaces::removeChildPath(const QUrl &url)
{
    if (!FileSystemRoot::removeChildPath(url))
        return false;
    announce();
    removePlace(FileSystemItem::normalisedPath(url.toLocalFile()));
    return true;
}

bool FileSystemPlaces::addChild(std::unique_ptr<FileSystemItem> &item)
{
    const QString path = item ? item->fullPath() : QString();
    if (!FileSystemRoot::addChild(item))
        return false;
    announce();
    addPlace(path);
    return true;
}

bool FileSystemPlaces::removeChild(FileSystemItem *item)
{
    if (!containsChild(item))
        return false;
    const QString path = item->fullPath();
    FileSystemRoot::removeChild(item);
    announce();
    removePlace(path);
    return true;
}

bool FileSystemPlaces::moveChild(FileSystemItem *item, qsizetype index)
{
    if (!FileSystemRoot::moveChild(item, index))
        return false;
    announce();
    movePlace(item->fullPath(), index);
    return true;
}

void FileSystemPlaces::addPlace(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isReadable())
        return;
    QStringList places = storedPlaces();
    places.append(path);
    storePlaces(places);
}

void FileSystemPlaces::removePlace(const QString &path)
{
    QStringList places = storedPlaces();
    if (places.removeAll(path) > 0)
        storePlaces(places);
}

void FileSystemPlaces::movePlace(const QString &path, qsizetype index)
{
    QStringList places = storedPlaces();
    if (!places.removeOne(path))
        return;
    places.insert(qBound(qsizetype(0), index, places.size()), path);
    storePlaces(places);
}

QStringList FileSystemPlaces::createDefaults() const
{
    // As the desktop's file managers show them: home first, then the bookmarks.
    const QString home = QDir::homePath();
    QStringList bookmarks = findersPlaces();
    if (!bookmarks.isEmpty()) {
        bookmarks.removeAll(home);
        bookmarks.prepend(home);
        return bookmarks;
    }
    return {home, userFolder(QStandardPaths::PicturesLocation, QStringLiteral("Pictures")),
            userFolder(QStandardPaths::DocumentsLocation, QStringLiteral("Documents")),
            userFolder(QStandardPaths::DownloadLocation, QStringLiteral("Downloads"))};
}

QStringList FileSystemPlaces::findersPlaces() const
{
    QStringList paths;
    if (!m_list)
        return paths;
    for (const QUrl &url : m_list->snapshot()) {
        const QString path = FileSystemItem::normalisedPath(url.toLocalFile());
        if (QFileInfo(path).isDir())
            paths.append(path);
    }
    return paths;
}

void FileSystemPlaces::reset()
{
    for (FileSystemItem *child : children())
        removeChild(child);
    offerChildPaths(createDefaults());
}

void FileSystemPlaces::syncFinderPlaces()
{
    // What a reset gives, so that following never empties the list: with no bookmarks (no file
    // yet, or an empty one) the places are the defaults, home first.
    QStringList finder = createDefaults();
    finder.removeIf([](const QString &path) { return !QFileInfo(path).isDir(); });
    for (const QString &path : finder) {
        if (!containsChildPath(QUrl::fromLocalFile(path)))
            addChildPath(QUrl::fromLocalFile(path));
    }
    for (FileSystemItem *child : children()) {
        if (!finder.contains(child->fullPath()))
            removeChild(child);
    }
    if (numberOfChildren() != finder.size() || finder.isEmpty())
        return;
    qsizetype first = 0;
    while (first < finder.size() && childAtIndex(first)->fullPath() == finder.at(first))
        ++first;
    if (first == finder.size())
        return;
    // From the first difference on, every favourite is taken out and appended again in bookmark order.
    // Guarded, because an item of the copy may be gone by the time its turn comes.
    QList<QPointer<FileSystemItem>> copy;
    for (FileSystemItem *child : children())
        copy.append(child);
    for (qsizetype p = first; p < finder.size(); ++p) {
        if (copy.at(p))
            removeChild(copy.at(p));
        const QUrl url = QUrl::fromLocalFile(finder.at(p));
        removeChildPath(url);
        addChildPath(url);
    }
}
