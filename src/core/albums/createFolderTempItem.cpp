#include "albums/createFolderTempItem.h"

createFolderTempItem::createFolderTempItem(const QString &name) : m_tempName(name)
{
    m_children.reserve(20);
}

RemoteTreeEntryPtr createFolderTempItem::getChildAtIndex(qsizetype index) const
{
    if (index < 0 || index >= m_children.size())
        return {};
    return m_children.at(index);
}

void createFolderTempItem::addChildTemp(const RemoteTreeEntryPtr &child)
{
    m_children.append(child);
}
