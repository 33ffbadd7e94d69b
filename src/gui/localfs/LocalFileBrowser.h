#pragma once

#include <QWidget>

class FileSystemItem;
class LocalFileBrowserModel;
class LocalFileOutlineView;
class QFileDialog;
class QMessageBox;
class QToolButton;

// The left pane of the main window: the local disk as devices and places with their folders, the
// drag source for uploads, and where the places are edited (add through a chooser or by dropping
// folders from outside, remove with the button or by dragging them out of the window, reset).
// While the "autoSyncPlacesWithFinder" preference is on, the places follow the desktop's bookmarks
// and cannot be edited; the pane follows changes of that preference (EventPreferencesChanged).
//
// Open folders: made at start from the stored open state when "autoExpandFinderFolders" is on, and
// stored by saveOpenState(), which the pane calls itself when the application is about to quit.
class LocalFileBrowser : public QWidget
{
    Q_OBJECT

public:
    explicit LocalFileBrowser(QWidget *parent = nullptr);
    // For tests: a mount table and a bookmarks file of their own.
    LocalFileBrowser(const QString &mountInfoFile, const QString &bookmarksFile, QWidget *parent = nullptr);
    ~LocalFileBrowser() override;

    LocalFileBrowserModel *model() const { return m_model; }
    LocalFileOutlineView *outlineView() const { return m_view; }
    // Removes the selected places; enabled while the selection is places only.
    QToolButton *removePlaceButton() const { return m_removePlaceButton; }
    // The places menu (add a place, reset places); disabled while the places follow the bookmarks.
    QToolButton *localMenuButton() const { return m_localMenuButton; }

    // Stores which folders are open, for the next start.
    void saveOpenState();
    // Opens the folders stored by saveOpenState(), each parent before its descendants.
    void restoreOpenState();

public Q_SLOTS:
    // Opens the folder chooser (window-modal); a chosen folder is appended to the places.
    void addPlace();
    // Removes the selected places.
    void removePlace();
    // Asks, then replaces the places by the defaults.
    void resetPlaces();
    // Builds both groups afresh.
    void refreshFileView();

private:
    void build();
    void expandRoots();
    void updateRemovePlaceButton();
    void followPlacesPreference();

    LocalFileBrowserModel *m_model = nullptr;
    LocalFileOutlineView *m_view = nullptr;
    QToolButton *m_removePlaceButton = nullptr;
    QToolButton *m_localMenuButton = nullptr;
};
