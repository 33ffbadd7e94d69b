#pragma once

#include "albums/remoteFileBrowserHelper.h"

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

// The pictures of the album pane's rows: a network for the root, a folder for albums and
// placeholders, an asset's file type by its extension in lower case. Each comes from the icon theme
// where it has one and from the program's own pictures otherwise; an asset without an extension,
// or of a type without a picture, shows a plain document.
class RemoteItemIcons
{
public:
    RemoteItemIcons();

    QIcon iconFor(remoteFileBrowserHelper::NodeKind kind, const QString &fileName = {}) const;
    QIcon rootIcon() const { return m_root; }
    QIcon albumIcon() const { return m_album; }
    QIcon assetIcon(const QString &fileName) const;

    // The program's own picture of that name ("network", "folder", "file").
    static QIcon bundledIcon(const QString &name);

private:
    QMimeDatabase m_types;
    QIcon m_root;
    QIcon m_album;
    QIcon m_document;
    // By MIME type name; a type without a picture maps to the document.
    mutable QHash<QString, QIcon> m_byType;
};
