#pragma once

#include "localfs/DesktopBookmarks.h"
#include "localfs/FileSystemRoot.h"

#include <memory>

// The places group: folders the user keeps at hand, stored in the settings in display order.
// Every accepted change is announced with FileBrowserObjectChanged (this root as object, on the
// workspace centre) and mirrored into the stored list. While monitorFinderPlaces is on, the list
// follows the desktop's bookmarks.
class FileSystemPlaces : public FileSystemRoot
{
    Q_OBJECT

public:
    // The stored places, or the defaults on a first run; places that vanished are dropped.
    explicit FileSystemPlaces(const QString &name,
                              const QString &bookmarksFile = DesktopBookmarks::defaultFile(),
                              QObject *parent = nullptr);
    ~FileSystemPlaces() override;

    bool monitorFinderPlaces() const { return m_monitorFinderPlaces; }
    void setMonitorFinderPlaces(bool monitor);
    DesktopBookmarks *bookmarks() const { return m_list.get(); }

    bool addChildPath(const QUrl &url) override;
    bool removeChildPath(const QUrl &url) override;
    bool addChild(std::unique_ptr<FileSystemItem> &item) override;
    bool removeChild(FileSystemItem *item) override;
    bool moveChild(FileSystemItem *item, qsizetype index) override;

    // Home, then the bookmarks; when there are none: home, then its Pictures, Documents and Downloads.
    QStringList createDefaults() const;
    // The bookmarked paths that exist as folders, in bookmark order.
    QStringList findersPlaces() const;
    // Replaces the places by the defaults.
    void reset();
    // Makes the places what createDefaults() gives now, in its order.
    void syncFinderPlaces();

private:
    void announce();
    void addPlace(const QString &path);
    void removePlace(const QString &path);
    void movePlace(const QString &path, qsizetype index);

    bool m_monitorFinderPlaces = false;
    std::unique_ptr<DesktopBookmarks> m_list;
};
