#include "albums/expandItems.h"

#include "albums/remoteFileBrowserHelper.h"

expandItems::expandItems(const QStringList &folders, remoteFileBrowserHelper *view)
    : outlineView(view), m_folderPaths(folders)
{
    // Strings are values: the copy cannot change under the job.
    m_folderPaths.detach();
}

QString expandItems::getNextFolderPath()
{
    return m_folderPaths.isEmpty() ? QString() : m_folderPaths.takeFirst();
}
