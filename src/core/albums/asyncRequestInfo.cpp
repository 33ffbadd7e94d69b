#include "albums/asyncRequestInfo.h"

#include "albums/soapRemoteFolderItem.h"

asyncRequestInfo::asyncRequestInfo(qint32 requestType, const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate,
                                   const QVariant &context)
    : m_requestType(requestType), m_delegate(delegate), m_context(context)
{}

asyncRequestInfoPtr
asyncRequestInfo::initGetFolderContentsFor(const soapRemoteBasePtr &item,
                                           const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate,
                                           const QVariant &context)
{
    auto info = std::make_shared<asyncRequestInfo>(GetFolderContents, delegate, context);
    info->m_item = item;
    return info;
}

asyncRequestInfoPtr asyncRequestInfo::initRenameItemFor(
    const soapRemoteBasePtr &item, const QString &oldName, const QString &newName,
    const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate, const QVariant &context)
{
    auto info = std::make_shared<asyncRequestInfo>(RenameItem, delegate, context);
    info->m_item = item;
    info->m_oldName = oldName;
    info->m_theNewName = newName;
    return info;
}

asyncRequestInfoPtr asyncRequestInfo::initDeleteItems(const QList<soapRemoteBasePtr> &items,
                                                      const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate,
                                                      const QVariant &context)
{
    auto info = std::make_shared<asyncRequestInfo>(DeleteItem, delegate, context);
    info->m_items = items;
    return info;
}

asyncRequestInfoPtr asyncRequestInfo::initCreateFolderFor(
    const soapRemoteBasePtr &parent, const QString &name, const QString &description,
    const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate, const QVariant &context)
{
    auto info = std::make_shared<asyncRequestInfo>(CreateFolder, delegate, context);
    info->m_item = parent;
    info->m_theNewName = name;
    info->m_description = description;
    return info;
}

asyncRequestInfoPtr asyncRequestInfo::initCreateFolderFor(
    const soapRemoteBasePtr &parent, const QString &name,
    const std::shared_ptr<createFolderTempItem> &tempFolder, const QString &description,
    const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate, const QVariant &context)
{
    auto info = std::make_shared<asyncRequestInfo>(CreateFolderByRenameTemp, delegate, context);
    info->m_item = parent;
    info->m_theNewName = name;
    info->m_tempFolder = tempFolder;
    info->m_description = description;
    return info;
}

asyncRequestInfoPtr
asyncRequestInfo::initLogoutForDelegate(const std::shared_ptr<wsSoapAsyncOpDelegate> &delegate)
{
    return std::make_shared<asyncRequestInfo>(Logout, delegate, QVariant());
}

QString asyncRequestInfo::requestTypeAsString() const
{
    switch (m_requestType) {
    case GetFolderContents:
        return QStringLiteral("Get-Folder-Contents");
    case RenameItem:
        return QStringLiteral("Rename-Item");
    case DeleteItem:
        return QStringLiteral("Delete-Item");
    case CreateFolder:
        return QStringLiteral("Create-Folder");
    case CreateFolderByRenameTemp:
        return QStringLiteral("Create-Folder-By-Rename-Temp");
    case Logout:
        return QStringLiteral("Logout");
    default:
        return QStringLiteral("Unknown request type %1").arg(m_requestType);
    }
}
