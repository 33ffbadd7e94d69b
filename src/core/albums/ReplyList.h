#pragma once

#include <QList>
#include <QVariantMap>

// The entries of a listing in a decoded reply ("arrTopAlbums", "arrAlbums", "arrAssets"). The list
// comes as a dictionary whose values are one entry or a list of entries (a SOAP array whose items
// are wrapped in an element), or as a list of entries; anything else holds none.
QList<QVariantMap> replyListEntries(const QVariantMap &reply, const QString &key);
