#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <QUrl>

// The desktop's list of bookmarked folders (the file managers' sidebar), read from the GTK bookmarks
// file: one URI a line, optionally followed by a blank and a label; a missing file means no bookmarks.
// While watching, changed() is emitted shortly after the list changes; editors often replace the
// file, so its folder is watched too, and a file (or folder) made later is found.
class DesktopBookmarks : public QObject
{
    Q_OBJECT

public:
    explicit DesktopBookmarks(const QString &file = defaultFile(), QObject *parent = nullptr);

    // gtk-3.0/bookmarks in the user's configuration folder.
    static QString defaultFile();
    QString file() const { return m_file; }

    // The bookmarked local folders in list order; other schemes are skipped.
    QList<QUrl> snapshot() const;

    void setWatching(bool watching);
    bool isWatching() const { return m_watching; }

Q_SIGNALS:
    void changed();

private:
    void updateWatches();
    void somethingChanged();

    QString m_file;
    bool m_watching = false;
    QFileSystemWatcher m_watcher;
    // A save is a burst of events (write, rename, attribute change): one announcement for all.
    QTimer m_settle;
    // The list as last announced (or as found when watching began).
    QList<QUrl> m_announced;
};
