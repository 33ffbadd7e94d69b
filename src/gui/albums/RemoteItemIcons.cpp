#include "albums/RemoteItemIcons.h"

#include <QFileInfo>

namespace {

QIcon themed(const QStringList &names, const QIcon &fallback)
{
    for (const QString &name : names) {
        if (!name.isEmpty() && QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    return fallback;
}

} // namespace

RemoteItemIcons::RemoteItemIcons()
    : m_root(themed({QStringLiteral("network-server"), QStringLiteral("network-workgroup")},
                    bundledIcon(QStringLiteral("network")))),
      m_album(themed({QStringLiteral("folder")}, bundledIcon(QStringLiteral("folder")))),
      m_document(themed({QStringLiteral("text-x-generic")}, bundledIcon(QStringLiteral("file"))))
{}

QIcon RemoteItemIcons::bundledIcon(const QString &name)
{
    QIcon icon;
    for (int size : {16, 32})
        icon.addFile(QStringLiteral(":/albums/icons/%1-%2.png").arg(name).arg(size), QSize(size, size));
    return icon;
}

QIcon RemoteItemIcons::iconFor(remoteFileBrowserHelper::NodeKind kind, const QString &fileName) const
{
    using Kind = remoteFileBrowserHelper::NodeKind;
    switch (kind) {
    case Kind::Root:
        return m_root;
    case Kind::Album:
    case Kind::Placeholder:
        return m_album;
    case Kind::Asset:
        return assetIcon(fileName);
    case Kind::None:
        break;
    }
    return {};
}

QIcon RemoteItemIcons::assetIcon(const QString &fileName) const
{
    const QString extension = QFileInfo(fileName).suffix().toLower();
    if (extension.isEmpty())
        return m_document;
    // By the name alone: the file is on the server.
    const QMimeType type =
        m_types.mimeTypeForFile(QStringLiteral("x.") + extension, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return m_document;
    auto known = m_byType.constFind(type.name());
    if (known == m_byType.constEnd())
        known = m_byType.insert(type.name(), themed({type.iconName(), type.genericIconName()}, m_document));
    return *known;
}
