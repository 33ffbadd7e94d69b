#include "albums/RemotePath.h"

#include <QStringList>

QString RemotePath::join(const QString &path, const QString &name)
{
    if (path.isEmpty())
        return name;
    if (name.isEmpty())
        return path;
    return path + u'/' + name;
}

QString RemotePath::withLastComponentReplaced(const QString &path, const QString &newName)
{
    QStringList components = path.split(u'/', Qt::SkipEmptyParts);
    if (!components.isEmpty())
        components.removeLast();
    components.append(newName);
    return components.join(u'/');
}

bool RemotePath::isAtOrBelow(const QString &path, const QString &prefix)
{
    if (prefix.isEmpty())
        return true;
    return path == prefix ||
           (path.startsWith(prefix) && path.size() > prefix.size() && path.at(prefix.size()) == u'/');
}
