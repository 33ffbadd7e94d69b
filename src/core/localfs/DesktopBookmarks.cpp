#include "localfs/DesktopBookmarks.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

constexpr int SettleMilliseconds = 100;

} // namespace

DesktopBookmarks::DesktopBookmarks(const QString &file, QObject *parent) : QObject(parent), m_file(file)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        // Watched first, so that a write after the look below is seen again.
        updateWatches();
        // While the file's folder is missing the folder above is watched, where other programs
        // write too: only a change of the list itself is news.
        QList<QUrl> bookmarks = snapshot();
        if (bookmarks == m_announced)
            return;
        m_announced = std::move(bookmarks);
        Q_EMIT changed();
    });
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DesktopBookmarks::somethingChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &DesktopBookmarks::somethingChanged);
}

QString DesktopBookmarks::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/gtk-3.0/bookmarks");
}

QList<QUrl> DesktopBookmarks::snapshot() const
{
    QList<QUrl> urls;
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly))
        return urls;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray trimmed = line.trimmed();
        const qsizetype blank = trimmed.indexOf(' ');
        const QUrl url(QString::fromUtf8(blank < 0 ? trimmed : trimmed.left(blank)), QUrl::StrictMode);
        if (url.isValid() && url.isLocalFile())
            urls.append(url);
    }
    return urls;
}

void DesktopBookmarks::setWatching(bool watching)
{
    if (m_watching == watching)
        return;
    m_watching = watching;
    updateWatches();
    m_announced = watching ? snapshot() : QList<QUrl>();
}

void DesktopBookmarks::somethingChanged()
{
    if (!m_settle.isActive())
        m_settle.start();
}

void DesktopBookmarks::updateWatches()
{
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    if (!m_watching)
        return;
    // The file and its folder; while that folder is missing, the nearest folder above that exists,
    // only to see the folder come.
    if (QFileInfo::exists(m_file))
        m_watcher.addPath(m_file);
    QString folder = QFileInfo(m_file).absolutePath();
    while (!QFileInfo(folder).isDir() && folder != u'/')
        folder = QFileInfo(folder).path();
    m_watcher.addPath(folder);
}
